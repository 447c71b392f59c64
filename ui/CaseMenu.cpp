#include "ui/CaseMenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QWidget>

#include "casefile/CaseError.h"
#include "ui/CaseLogDialog.h"
#include "ui/NResultTree.h"
#include "ui/ReportExport.h"
#include "verification/PathBytes.h"

namespace {

const char* const kRecentKey = "recentCases";
constexpr int kRecentCases = 8;

void rememberRecent(const QString& path) {
    QSettings settings;
    QStringList recent = settings.value(QLatin1String(kRecentKey)).toStringList();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kRecentCases) {
        recent.removeLast();
    }
    settings.setValue(QLatin1String(kRecentKey), recent);
}

QAction* addItem(QMenu* menu, const QString& text, const QKeySequence& keys, const char* name) {
    QAction* const action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    return action;
}

}  // namespace

CaseMenu::CaseMenu(QWidget* window_, NResultTree* tree_)
    : QObject(window_), window(window_), tree(tree_), caseMenu(new QMenu(window_)) {
    caseMenu->setObjectName(QStringLiteral("caseMenu"));
    try {
        caseStore = CaseStore::temporary();
    } catch (const CaseError& error) {
        // The window still verifies; nothing is kept.
        warn(tr("No temporary case could be made, so results are not kept: %1")
                 .arg(QString::fromStdString(error.what())));
    }
    startRecorder();
    tree->resultModel()->setEvidenceLoader([this](int64_t verification) {
        return caseStore ? caseStore->loadEvidence(verification) : verdictStandIn(verdictNumber(VerdictCode::Error));
    });
    tree->resultModel()->setEvidenceBatchLoader(
        [this](const std::vector<int64_t>& verifications, const ResultModel::EvidenceVisit& visit) {
            if (caseStore) {
                caseStore->loadEvidence(verifications, visit);
                return;
            }
            for (size_t k = 0; k < verifications.size(); ++k) {
                visit(k, verdictStandIn(verdictNumber(VerdictCode::Error)));
            }
        });
    fillMenu();
    // The shortcuts work with the menu closed: the window holds its actions.
    window->addActions(caseMenu->actions());
}

CaseMenu::~CaseMenu() {
    // Every result handed in is recorded before the case is let go.
    recorder.reset();
}

void CaseMenu::startRecorder() {
    if (!caseStore || !caseStore->writable()) {
        return;
    }
    recorder = std::make_unique<CaseRecorder>(caseStore->fileBytes());
    connect(recorder.get(), &CaseRecorder::recorded, this, [this](const QList<VerifyResult>& results) {
        for (const VerifyResult& result : results) {
            emit resultReady(result);
        }
    });
    connect(recorder.get(), &CaseRecorder::caughtUp, this, &CaseMenu::recordsCaughtUp);
    connect(recorder.get(), &CaseRecorder::writeFailed, this, &CaseMenu::warn);
    connect(recorder.get(), &CaseRecorder::failed, this, [this](const VerifyResult& result, const QString& why) {
        if (!recordingRefused) {
            recordingRefused = true;
            warn(tr("The result is listed but could not be recorded in the case: %1").arg(why));
        }
        emit resultReady(result);
    });
}

void CaseMenu::settle() const {
    // What the recorder was handed (a removal just made, say) is in the
    // case before it is read for the user; it waits only on what is pending.
    if (recorder) {
        recorder->drain();
    }
}

// Lists what the recorder has stored so far, then lets it go.
void CaseMenu::stopRecorder() {
    if (recorder) {
        recorder->drain();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        recorder.reset();
    }
}

bool CaseMenu::mayLeaveCase() {
    if (running && running()) {
        warn(tr("A verification is going on. Wait for it to end, or cancel it, before another "
                "case is opened or this one is saved."));
        return false;
    }
    return true;
}

void CaseMenu::fillMenu() {
    connect(addItem(caseMenu, tr("New case..."), QKeySequence(QStringLiteral("Ctrl+N")), "newCaseAction"),
            &QAction::triggered, this, &CaseMenu::newFromDialog);
    connect(addItem(caseMenu, tr("Open case..."), QKeySequence(QStringLiteral("Ctrl+Alt+O")),
                    "openCaseAction"),
            &QAction::triggered, this, &CaseMenu::openFromDialog);
    connect(addItem(caseMenu, tr("Save case as..."), QKeySequence(QStringLiteral("Ctrl+Shift+S")),
                    "saveCaseAction"),
            &QAction::triggered, this, &CaseMenu::saveFromDialog);
    QMenu* const recent = caseMenu->addMenu(tr("Recent cases"));
    recent->setObjectName(QStringLiteral("recentCasesMenu"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] {
        recent->clear();
        for (const QString& path : recentCases()) {
            QAction* const item = recent->addAction(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
            connect(item, &QAction::triggered, this, [this, path] {
                if (mayLeaveCase() && offerToSave([this, path] { openCase(path); })) {
                    openCase(path);
                }
            });
        }
        recent->setEnabled(true);
        if (recent->isEmpty()) {
            recent->addAction(tr("(none)"))->setEnabled(false);
        }
    });
    caseMenu->addSeparator();
    connect(addItem(caseMenu, tr("Custody log..."), QKeySequence(QStringLiteral("Ctrl+L")), "caseLogAction"),
            &QAction::triggered, this, &CaseMenu::showCaseLog);
    // The window puts its own "verify the selection again" (Ctrl+R) here.
    connect(addItem(caseMenu, tr("Verify the whole case again"), QKeySequence(Qt::Key_F5),
                    "verifyCaseAgainAction"),
            &QAction::triggered, this, [this] {
                if (caseStore) {
                    emit verifyAgain(caseStore->recordingPaths());
                }
            });
}

QStringList CaseMenu::recentCases() {
    return QSettings().value(QLatin1String(kRecentKey)).toStringList();
}

QString CaseMenu::title() const {
    if (!caseStore || caseStore->isTemporary()) {
        return tr("Unsaved case");
    }
    QString text = caseStore->title();
    if (!caseStore->writable()) {
        text += tr(" [read-only]");
    }
    return text;
}

void CaseMenu::warn(const QString& text) const {
    auto* const box = new QMessageBox(QMessageBox::Warning, tr("Case"), text, QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("caseWarning"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void CaseMenu::switchTo(std::unique_ptr<CaseStore> store, bool keepRows) {
    stopRecorder();
    tree->flush();
    if (!keepRows) {
        tree->resultModel()->clear();
    }
    caseStore = std::move(store);
    discarded = false;
    recordingRefused = false;
    startRecorder();
    if (!keepRows) {
        tree->resultModel()->append(caseStore->results());
        // Measured on the first rows, whose evidence this loads.
        tree->fitColumns(0);
        emit tree->rowsChanged();
    }
    if (!caseStore->isTemporary()) {
        rememberRecent(caseStore->path());
    }
    emit caseChanged();
    if (!caseStore->heldBy().isEmpty()) {
        warn(tr("This case is open for writing in %1, so it is opened here read-only: it is "
                "listed as it stands now, and nothing is recorded in it from this window. "
                "Close it there, then open it again here to work in it.")
                 .arg(caseStore->heldBy()));
    }
}

void CaseMenu::startAfresh(const QString& path, const QString& why) {
    std::unique_ptr<CaseStore> fresh;
    try {
        fresh = CaseStore::temporary();
    } catch (const CaseError&) {
    }
    if (fresh) {
        switchTo(std::move(fresh), false);
    } else {
        // Not even a temporary case: results are listed, not kept anywhere.
        stopRecorder();
        tree->resultModel()->clear();
        caseStore.reset();
        emit caseChanged();
    }
    warn(tr("%1: %2\n\nNo case file is open now: the window works in a new unsaved case.")
             .arg(QDir::toNativeSeparators(path), why));
}

bool CaseMenu::openCase(const QString& path) {
    // The case this window holds is let go first, or its own lock would
    // open it again read-only.
    if (caseStore && !caseStore->isTemporary() && caseStore->path() == absolutePath(path)) {
        stopRecorder();
        caseStore.reset();
    }
    std::unique_ptr<CaseStore> opened;
    try {
        opened = CaseStore::open(path, false, QString(), readOnlyMedia);
    } catch (const CaseError& error) {
        startAfresh(path, QString::fromStdString(error.what()));
        return false;
    }
    const QString readOnly = opened->readOnlyReason();
    switchTo(std::move(opened), false);
    if (!readOnly.isEmpty()) {
        warn(tr("%1: the case is open read-only: %2. It can be listed and its log checked; no "
                "verification can be recorded in it.")
                 .arg(QDir::toNativeSeparators(path), readOnly));
    }
    return true;
}

bool CaseMenu::newCase(const QString& path, const QString& reference) {
    if (QFileInfo::exists(path)) {
        warn(tr("%1: a file is already there; a new case is made in a new file.")
                 .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    try {
        switchTo(CaseStore::open(path, true, reference), false);
        return true;
    } catch (const CaseError& error) {
        startAfresh(path, QString::fromStdString(error.what()));
        return false;
    }
}

void CaseMenu::offerRecovery() {
    const QStringList abandoned = CaseStore::abandonedCases();
    if (abandoned.isEmpty()) {
        return;
    }
    // The newest: the one the examiner was working in last.
    const QString folder = abandoned.last();
    if (recoveryChoice) {
        actOnRecovery(folder, recoveryChoice(folder));
        return;
    }
    auto* const box = new QMessageBox(
        QMessageBox::Question, tr("Unsaved case"),
        tr("A window that ended without closing left an unsaved case with its results (in %1). "
           "Recover it? It then becomes this window's unsaved case, to be saved as any other.")
            .arg(QDir::toNativeSeparators(folder)),
        QMessageBox::NoButton, window);
    box->setObjectName(QStringLiteral("recoverCaseBox"));
    box->setTextFormat(Qt::PlainText);
    QPushButton* const recover = box->addButton(tr("Recover"), QMessageBox::AcceptRole);
    QPushButton* const discard = box->addButton(tr("Discard"), QMessageBox::DestructiveRole);
    box->addButton(tr("Later"), QMessageBox::RejectRole);
    box->setDefaultButton(recover);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, recover, discard, folder] {
        const QAbstractButton* const clicked = box->clickedButton();
        actOnRecovery(folder, clicked == recover   ? RecoveryChoice::Recover
                              : clicked == discard ? RecoveryChoice::Discard
                                                   : RecoveryChoice::Later);
    });
    box->open();
}

void CaseMenu::actOnRecovery(const QString& folder, RecoveryChoice choice) {
    switch (choice) {
        case RecoveryChoice::Recover:
            if (!mayLeaveCase() || (caseStore && !caseStore->isTemporary()) ||
                (caseStore && caseStore->holdsVerifications())) {
                // The window already works in a case of its own: left for the next start.
                warn(tr("The unsaved case in %1 is kept; it is offered again on the next start.")
                         .arg(QDir::toNativeSeparators(folder)));
                return;
            }
            try {
                switchTo(CaseStore::recover(folder), false);
            } catch (const CaseError& error) {
                warn(tr("%1: %2").arg(QDir::toNativeSeparators(folder),
                                      QString::fromStdString(error.what())));
            }
            return;
        case RecoveryChoice::Discard:
            QDir(folder).removeRecursively();
            return;
        case RecoveryChoice::Later:
        default:
            return;
    }
}

bool CaseMenu::saveCaseAs(const QString& path) {
    if (!caseStore) {
        return false;
    }
    settle();
    try {
        caseStore->saveCopy(path);
        // The rows stay: the copy holds the same verifications under the same ids.
        switchTo(CaseStore::open(path, false), true);
        return true;
    } catch (const CaseError& error) {
        warn(tr("%1: %2").arg(QDir::toNativeSeparators(path), QString::fromStdString(error.what())));
        return false;
    }
}

QString CaseMenu::askPath(const QString& title, bool create) {
    if (casePath) {
        return casePath(title);
    }
    const QString filter = tr("Case files (*.telvarcase)");
    if (!create) {
        return QFileDialog::getOpenFileName(window, title, QString(), filter);
    }
    QString path = QFileDialog::getSaveFileName(window, title, QDir::home().filePath(QStringLiteral("case.telvarcase")),
                                                filter, nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".telvarcase");
    }
    return path;
}

void CaseMenu::openFromDialog() {
    if (!mayLeaveCase() || !offerToSave([this] { openFromDialog(); })) {
        return;
    }
    const QString path = askPath(tr("Open Case"), false);
    if (!path.isEmpty()) {
        openCase(path);
    }
}

void CaseMenu::newFromDialog() {
    if (!mayLeaveCase() || !offerToSave([this] { newFromDialog(); })) {
        return;
    }
    const QString path = askPath(tr("New Case"), true);
    if (path.isEmpty()) {
        return;
    }
    bool ok = true;
    const QString reference = casePath ? QFileInfo(path).completeBaseName()
                                       : QInputDialog::getText(window, tr("New Case"), tr("Case reference:"),
                                                               QLineEdit::Normal, QString(), &ok);
    if (ok) {
        newCase(path, reference);
    }
}

void CaseMenu::saveFromDialog() {
    if (!mayLeaveCase()) {
        return;
    }
    const QString path = askPath(tr("Save Case As"), true);
    if (!path.isEmpty()) {
        saveCaseAs(path);
    }
}

void CaseMenu::showCaseLog() {
    if (!caseStore) {
        return;
    }
    settle();
    try {
        auto* const dialog = new CaseLogDialog(*caseStore, window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        // A case switched meanwhile takes its log along.
        connect(this, &CaseMenu::caseChanged, dialog, &QWidget::close);
        dialog->open();
    } catch (const CaseError& error) {
        warn(QString::fromStdString(error.what()));
    }
}

bool CaseMenu::mayVerify() {
    if (!caseStore || caseStore->writable()) {
        return true;
    }
    const QString why = caseStore->readOnlyReason();
    warn(tr("This case is open read-only (%1): it can be listed and its log checked, but no "
            "verification can be recorded in it. Save it as a new case where you may write to "
            "verify its recordings.")
             .arg(why.isEmpty() ? tr("it is on read-only media") : why));
    return false;
}

void CaseMenu::record(const VerifyResult& result) {
    if (recorder) {
        recorder->submit(result);
    } else {
        emit resultReady(result);
    }
}

void CaseMenu::runEnded() {
    if (recorder) {
        recorder->hurry();
    }
}

void CaseMenu::recordRemoved(const QList<QByteArray>& paths) {
    if (recorder) {
        recorder->submitWrite(
            [paths](CaseFile& file, const Actor& actor) { removeFromCase(file, actor, paths); });
    }
}

void CaseMenu::recordRestored(const QList<QByteArray>& paths) {
    if (recorder) {
        recorder->submitWrite(
            [paths](CaseFile& file, const Actor& actor) { restoreInCase(file, actor, paths); });
    }
}

void CaseMenu::recordSkipped(const QStringList& lines) {
    if (recorder && !lines.isEmpty()) {
        recorder->submitWrite(
            [lines](CaseFile& file, const Actor& actor) { noteSkippedInCase(file, actor, lines); });
    }
}

void CaseMenu::prepareExport(ExportRequest& request) const {
    if (!caseStore) {
        return;
    }
    settle();
    caseStore->describeForExport(request.custody);
    if (request.caseReference.isEmpty()) {
        request.caseReference = caseStore->reference();
    }
    request.casePath = caseStore->path();
}

void CaseMenu::recordExport(const ExportRequest& request, const QString& sha256) {
    if (!sha256.isEmpty()) {
        submitExport(formatSuffix(request.format), request.path, sha256.toLatin1(), QByteArray(),
                     tr("The export is written but could not be recorded in the case: %1"));
    }
}

void CaseMenu::recordStill(const QString& path, const QString& pngSha256,
                           const QString& recordSha256) {
    submitExport(QStringLiteral("still"), path, pngSha256.toLatin1(), recordSha256.toLatin1(),
                 tr("The still is written but could not be recorded in the case: %1"));
}

void CaseMenu::submitExport(const QString& format, const QString& path, const QByteArray& sha256,
                            const QByteArray& record, const QString& failure) {
    submitCaseWrite(
        [=](CaseFile& file, const Actor& actor) {
            recordExportInCase(file, actor, format, path, sha256, record);
        },
        failure);
}

void CaseMenu::recordKeyEdit(const QString& storePath, const QString& sha256,
                             const QString& detail) {
    submitCaseWrite(
        [=](CaseFile& file, const Actor& actor) {
            recordKeyEditInCase(file, actor, storePath, sha256.toLatin1(), detail);
        },
        tr("The key store is written but the change could not be recorded in the case: %1"));
}

void CaseMenu::submitCaseWrite(const CaseRecorder::CaseWrite& write, const QString& failure) {
    if (!caseStore || !caseStore->writable()) {
        return;
    }
    if (recorder) {
        // The event and the seal after it are written by the recorder's
        // thread, after the results handed in before: the window does not
        // wait on the case's disk. The next export or reading of the case
        // settles first.
        recorder->submitWrite([=](CaseFile& file, const Actor& actor) {
            try {
                write(file, actor);
            } catch (const CaseError& error) {
                throw CaseError(error.kind,
                                failure.arg(QString::fromStdString(error.what())).toStdString());
            }
        });
        return;
    }
    try {
        caseStore->writeNow(write);
    } catch (const CaseError& error) {
        warn(failure.arg(QString::fromStdString(error.what())));
    }
}

bool CaseMenu::offerToSave(const std::function<void()>& then) {
    if (discarded || !caseStore || !caseStore->isTemporary() || !caseStore->holdsVerifications()) {
        return true;
    }
    const auto act = [this](UnsavedChoice choice) {
        switch (choice) {
            case UnsavedChoice::Save:
                saveFromDialog();
                return caseStore && !caseStore->isTemporary();
            case UnsavedChoice::Discard:
                discarded = true;
                return true;
            case UnsavedChoice::Cancel:
            default:
                return false;
        }
    };
    if (unsavedChoice) {
        return act(unsavedChoice());
    }
    if (pendingOffer) {
        pendingOffer->raise();
        return false;
    }
    // Asked without blocking; the step that asked runs again once answered.
    auto* const box = new QMessageBox(QMessageBox::Question, tr("Unsaved case"),
                                      tr("The results of this window are in a temporary case. "
                                         "Save the case before going on?"),
                                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                      window);
    box->setObjectName(QStringLiteral("unsavedCaseBox"));
    pendingOffer = box;
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [box, act, then] {
        const QMessageBox::StandardButton button = box->standardButton(box->clickedButton());
        const UnsavedChoice choice = button == QMessageBox::Save      ? UnsavedChoice::Save
                                     : button == QMessageBox::Discard ? UnsavedChoice::Discard
                                                                      : UnsavedChoice::Cancel;
        if (act(choice)) {
            then();
        }
    });
    box->open();
    return false;
}

bool CaseMenu::mayClose(const std::function<void()>& closeAgain) {
    return offerToSave(closeAgain);
}

#include "moc_CaseMenu.cpp"
