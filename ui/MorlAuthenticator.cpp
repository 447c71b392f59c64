#include "ui/MorlAuthenticator.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

#include "ui/AboutDlg.h"
#include "ui/CaseMenu.h"
#include "ui/EvidencePane.h"
#include "ui/ExportDialog.h"
#include "ui/FilmstripView.h"
#include "ui/FolderWalk.h"
#include "ui/KeysDialog.h"
#include "ui/NResultTree.h"
#include "ui/NToolButton.h"
#include "ui/PlayerWindow.h"
#include "ui/RecordingDrop.h"
#include "ui/RecordingPicker.h"
#include "ui/ResultText.h"
#include "ui/RowText.h"
#include "ui/ScreenFit.h"
#include "ui/TimelineView.h"
#include "verification/PathBytes.h"
#include "verification/VerifyProgressDlg.h"

namespace {

const char* const kCountStyle = "color: white; padding: 10px; padding-right: 50px;";
const char* const kLastCountStyle = "color: white; padding: 10px; padding-right: 50px";
const char* const kRunStyle = "padding: 10px; padding-right: 30px;";
// The counts closer together, where the row would not fit the window.
const char* const kCompactCountStyle = "color: white; padding: 10px; padding-right: 14px;";
constexpr int kCompactSaving = 50 - 14;
// Removals Ctrl+Z can still take back.
constexpr size_t kUndoDepth = 20;
// The list's share of the height once the evidence shows: at the default
// size a header and three rows, the rest for the evidence.
constexpr double kListShare = 0.35;
const char* const kGeometryKey = "window/geometry";
const char* const kListShareKey = "window/listShare";
const char* const kPictureShareKey = "window/pictureShare";

QWidget* plainRow(QWidget* parent, const char* styleSheet, QBoxLayout** layout) {
    auto* const row = new QWidget(parent);
    row->setStyleSheet(QString::fromLatin1(styleSheet));
    auto* const rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(0);
    *layout = rowLayout;
    return row;
}

QLabel* countLabel(QWidget* parent, const QString& name, const char* styleSheet) {
    auto* const label = new QLabel(parent);
    label->setObjectName(name);
    label->setStyleSheet(QString::fromLatin1(styleSheet));
    label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    return label;
}

NToolButton* toolButton(const QString& text, const char* icon, const QString& help,
                        QWidget* parent) {
    const QString base = QStringLiteral(":/icons/") + QLatin1String(icon);
    auto* const button = new NToolButton(text, QIcon(base + QLatin1Char('0')),
                                         QIcon(base + QLatin1Char('1')), parent);
    button->setAccessibleName(text);
    button->setToolTip(help);
    return button;
}

// The player's button, drawn as the other tool icons are: a light ring on
// the dark strip, or a white disc with a slate glyph when hovered.
QIcon playIcon(bool hovered) {
    QPixmap pixmap(38, 38);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor light(QStringLiteral("#f6f6f6"));
    const QColor glyph = hovered ? QColor(QStringLiteral("#26343c")) : light;
    if (hovered) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(19, 19), 17.2, 17.2);
    } else {
        painter.setPen(QPen(light, 1.8));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(19, 19), 16.4, 16.4);
    }
    painter.setPen(QPen(glyph, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(glyph);
    const QPointF triangle[] = {{15.4, 12.2}, {26.4, 19.0}, {15.4, 25.8}};
    painter.drawPolygon(triangle, 3);
    return QIcon(pixmap);
}

// The style sheet is text up to its first zero byte; without the resource
// the application keeps the default look.
void applyStyleSheet() {
    QFile sheet(QStringLiteral(":/qss/style.qss"));
    QByteArray text;
    if (sheet.open(QIODevice::ReadOnly)) {
        text = sheet.readAll();
    }
    const auto end = text.indexOf('\0');
    if (end >= 0) {
        text.truncate(end);
    }
    qApp->setStyleSheet(QString::fromLatin1(text));
}

// The rows' paths by their exact bytes.
QList<QByteArray> pathsOf(const ResultModel::Taken& taken) {
    QList<QByteArray> paths;
    for (const auto& entry : taken) {
        const QByteArray path = pathBytes(entry.second.result.path);
        if (!path.isEmpty() && !paths.contains(path)) {
            paths << path;
        }
    }
    return paths;
}

// Those of `paths` that no row of the list holds: a path verified again
// and still listed in another row stays on the case's list.
QList<QByteArray> notListed(QList<QByteArray> paths, const ResultModel& model) {
    for (int row = 0; row < model.rowCount() && !paths.isEmpty(); ++row) {
        paths.removeAll(pathBytes(model.row(row).result.path));
    }
    return paths;
}

}  // namespace

MorlAuthenticator::MorlAuthenticator(QWidget* parent) : QMainWindow(parent) {
    auto* const central = new QWidget(this);
    auto* const root = new QVBoxLayout(central);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    headerWidget = buildHeader();
    resultTree = new NResultTree(this);
    evidencePane = new EvidencePane(this);
    splitter = new QSplitter(Qt::Vertical, central);
    splitter->addWidget(resultTree);
    splitter->addWidget(evidencePane);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);
    evidencePane->hide();  // until a row is selected
    updateSummary();
    root->addWidget(headerWidget);
    root->addWidget(splitter);
    setCentralWidget(central);

    resize(1024, 600);
    restoreLayout();
    applyStyleSheet();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app_logo")));

    connect(addButton, &NToolButton::released, this, &MorlAuthenticator::handleAddBtn);
    connect(folderButton, &NToolButton::released, this, &MorlAuthenticator::handleAddFolderBtn);
    connect(deleteButton, &NToolButton::released, this, &MorlAuthenticator::handleDeleteBtn);
    connect(exportButton, &NToolButton::released, this, &MorlAuthenticator::handleExportBtn);
    connect(aboutButton, &NToolButton::released, this, &MorlAuthenticator::handleAboutBtn);
    connect(playButton, &NToolButton::released, this, &MorlAuthenticator::openPlayer);
    connect(evidencePane, &EvidencePane::playRequested, this,
            [this](qint64 cluster) { openPlayerAt(cluster); });
    connect(resultTree, &NResultTree::rowsChanged, this, &MorlAuthenticator::updateSummary);
    connect(resultTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MorlAuthenticator::showSelectedEvidence);
    connect(resultTree, &QAbstractItemView::activated, this, &MorlAuthenticator::openEvidence);
    // What the user makes of the splitters is kept for the next start.
    connect(splitter, &QSplitter::splitterMoved, this, [this] {
        const QList<int> sizes = splitter->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        if (evidencePane->isVisible() && total > 0) {
            listShare = static_cast<double>(sizes.value(0)) / total;
        }
    });
    connect(evidencePane->pictureSplitter(), &QSplitter::splitterMoved, this, [this] {
        const double share = evidencePane->pictureShare();
        pictureShare = share > 0 ? share : pictureShare;
    });

    folderWalk = new FolderWalk(this);
    connect(folderWalk, &FolderWalk::expanded, this, &MorlAuthenticator::queueRecordings);
    progressDialog = new VerifyProgressDlg(this);
    connect(progressDialog, &VerifyProgressDlg::gotVerifyResult, this,
            &MorlAuthenticator::addVerifyResult);
    connect(progressDialog, &VerifyProgressDlg::runStateChanged, this,
            &MorlAuthenticator::updateRunState);
    runTextTimer.setSingleShot(true);
    runTextTimer.setInterval(150);
    connect(&runTextTimer, &QTimer::timeout, this, &MorlAuthenticator::updateRunText);
    connect(progressDialog, &VerifyProgressDlg::runCancelled, this,
            &MorlAuthenticator::reportCancelled);
    addShortcuts();
    // Tab goes down the window as it reads: header buttons, the list, then
    // the evidence's timeline, filmstrip and text.
    const std::array<QWidget*, 12> tabOrder = {addButton,
                                               folderButton,
                                               deleteButton,
                                               exportButton,
                                               caseButton,
                                               playButton,
                                               aboutButton,
                                               runLink,
                                               resultTree,
                                               evidencePane->timeline(),
                                               evidencePane->filmstrip(),
                                               evidencePane->textView()};
    for (size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    confirmRemoval = [this](int count) {
        QMessageBox box(QMessageBox::Question, tr("Remove rows"),
                        tr("Remove %1 rows from the list?").arg(count), QMessageBox::NoButton,
                        this);
        box.setInformativeText(tr("Ctrl+Z puts them back."));
        QPushButton* const remove = box.addButton(tr("Remove"), QMessageBox::AcceptRole);
        box.setDefaultButton(box.addButton(QMessageBox::Cancel));
        box.exec();
        return box.clickedButton() == remove;
    };
    cases = new CaseMenu(this, resultTree);
    // The case's menu offers the window's own "verify the selection again".
    cases->menu()->insertAction(
        findChild<QAction*>(QStringLiteral("verifyCaseAgainAction")),
        findChild<QAction*>(QStringLiteral("verifyAgainAction")));
    // And the trusted keys, whose edits are events of the case.
    cases->menu()->addSeparator();
    cases->menu()->addAction(findChild<QAction*>(QStringLiteral("keysAction")));
    caseButton->setMenu(cases->menu());
    connect(caseButton, &NToolButton::released, caseButton, &QToolButton::showMenu);
    connect(cases, &CaseMenu::caseChanged, this, &MorlAuthenticator::updateTitle);
    connect(cases, &CaseMenu::caseChanged, this, &MorlAuthenticator::updateSummary);
    connect(cases, &CaseMenu::verifyAgain, this, &MorlAuthenticator::verifyFileList);
    connect(cases, &CaseMenu::resultReady, resultTree, &NResultTree::addResult);
    // A run's last rows are listed as soon as they are in the case, not at
    // the list's next tick.
    connect(cases, &CaseMenu::recordsCaughtUp, this, [this] {
        if (!progressDialog->isRunning()) {
            resultTree->flush();
        }
    });
    cases->running = [this] { return progressDialog->isRunning(); };
    connect(this, &MorlAuthenticator::recordingsRemoved, cases, &CaseMenu::recordRemoved);
    connect(this, &MorlAuthenticator::recordingsRestored, cases, &CaseMenu::recordRestored);
    updateTitle();
    setAcceptDrops(true);
    resultTree->setFocus();
}

QWidget* MorlAuthenticator::buildHeader() {
    auto* const header = new QWidget(this);
    header->setStyleSheet(QStringLiteral("background-image:url(:/icons/bg)"));
    auto* const layout = new QVBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QBoxLayout* logoLayout = nullptr;
    QWidget* const logoRow =
        plainRow(header, "padding: 5px; background: transparent;", &logoLayout);
    logoLayout->setAlignment(Qt::AlignLeft);
    auto* const logo = new QLabel(logoRow);
    logo->setPixmap(QPixmap(QStringLiteral(":/icons/telvar_logo")));
    logo->setStyleSheet(QStringLiteral("background: transparent"));
    logo->setAccessibleName(tr("Telvar"));
    logoLayout->addWidget(logo);

    QBoxLayout* toolLayout = nullptr;
    QWidget* const toolRow = plainRow(header, "background: transparent;", &toolLayout);
    countsRow = toolRow;
    addButton = toolButton(tr("Add"), "add", tr("Add recordings (Ctrl+O)"), header);
    folderButton = toolButton(tr("Add Folder"), "folder",
                              tr("Add a folder of recordings (Ctrl+Shift+O)"), header);
    deleteButton =
        toolButton(tr("Delete"), "delete", tr("Remove the selected rows (Delete)"), header);
    exportButton = toolButton(tr("Export"), "export", tr("Export a report (Ctrl+E)"), header);
    caseButton = toolButton(tr("Case"), "case",
                            tr("New, open or save a case; its custody log (Ctrl+N, Ctrl+Alt+O, "
                               "Ctrl+Shift+S, Ctrl+L)"),
                            header);
    caseButton->setPopupMode(QToolButton::InstantPopup);
    playButton = new NToolButton(tr("Play"), playIcon(false), playIcon(true), header);
    playButton->setAccessibleName(tr("Play"));
    playButton->setToolTip(tr("Watch the selected recording frame by frame (Ctrl+Shift+P)"));
    aboutButton = toolButton(tr("About"), "about", tr("About this program (F1)"), header);
    // Takes the spare width, pushing the counts to the right edge.
    // Empty, so it may shrink to nothing: seven buttons and the counts fit
    // the default width of 1024 pixels.
    filler = countLabel(toolRow, QString(), kCountStyle);
    filler->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // Stands in for the filler while a run goes on, so the row keeps its width.
    // A link, reachable by Tab and Enter, that brings the dialog back.
    runLink = countLabel(toolRow, QStringLiteral("runLink"), kRunStyle);
    runLink->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    runLink->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // Its text asks for its width but may not widen the window: where the
    // row has no room to spare, the counts keep theirs.
    runLink->setMinimumWidth(1);
    runLink->setTextFormat(Qt::RichText);
    runLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    runLink->setFocusPolicy(Qt::StrongFocus);
    runLink->setToolTip(tr("Show the verification in progress"));
    runLink->hide();
    connect(runLink, &QLabel::linkActivated, this, &MorlAuthenticator::showProgressDialog);
    totalLabel = countLabel(toolRow, QStringLiteral("totalLabel"), kCountStyle);
    successLabel = countLabel(toolRow, QStringLiteral("successLabel"), kLastCountStyle);
    failedLabel = countLabel(toolRow, QStringLiteral("failedLabel"), kLastCountStyle);
    notVerifiedLabel = countLabel(toolRow, QStringLiteral("notVerifiedLabel"), kLastCountStyle);
    notVerifiedLabel->setToolTip(
        tr("Files a cancelled run did not verify (Ctrl+Shift+R verifies them)"));
    notVerifiedLabel->hide();
    for (QWidget* const widget : std::initializer_list<QWidget*>{
             addButton, folderButton, deleteButton, exportButton, caseButton, playButton,
             aboutButton, filler,
             runLink, totalLabel, successLabel, failedLabel, notVerifiedLabel}) {
        toolLayout->addWidget(widget);
    }
    // The spare width goes to the filler (or the run's link), so the counts
    // stay together at the right edge on a wide window.
    toolLayout->setStretchFactor(filler, 1);
    toolLayout->setStretchFactor(runLink, 1);
    // The counts ask for their width but never force it on the window.
    for (QLabel* const label : {totalLabel, successLabel, failedLabel, notVerifiedLabel}) {
        label->setMinimumWidth(1);
    }
    layout->addWidget(logoRow);
    layout->addWidget(toolRow);
    return header;
}

void MorlAuthenticator::addShortcuts() {
    const auto add = [this](const char* name, const QKeySequence& keys,
                            void (MorlAuthenticator::*slot)()) {
        auto* const action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    add("addAction", QKeySequence::Open, &MorlAuthenticator::handleAddBtn);
    add("addFolderAction", QKeySequence(QStringLiteral("Ctrl+Shift+O")),
        &MorlAuthenticator::handleAddFolderBtn);
    add("deleteAction", QKeySequence::Delete, &MorlAuthenticator::handleDeleteBtn);
    add("exportAction", QKeySequence(QStringLiteral("Ctrl+E")), &MorlAuthenticator::handleExportBtn);
    add("copyAction", QKeySequence::Copy, &MorlAuthenticator::copySelection);
    add("aboutAction", QKeySequence(Qt::Key_F1), &MorlAuthenticator::handleAboutBtn);
    add("playerAction", QKeySequence(QStringLiteral("Ctrl+Shift+P")),
        &MorlAuthenticator::openPlayer);
    add("undoAction", QKeySequence::Undo, &MorlAuthenticator::undoRemoval);
    add("verifyAgainAction", QKeySequence(QStringLiteral("Ctrl+R")), &MorlAuthenticator::verifyAgain);
    // Shown in the Case menu too, so it needs its words.
    findChild<QAction*>(QStringLiteral("verifyAgainAction"))->setText(tr("Verify Selected Again"));
    add("keysAction", QKeySequence(QStringLiteral("Ctrl+K")), &MorlAuthenticator::showKeys);
    findChild<QAction*>(QStringLiteral("keysAction"))->setText(tr("Trusted keys..."));
    add("verifyNotVerifiedAction", QKeySequence(QStringLiteral("Ctrl+Shift+R")),
        &MorlAuthenticator::verifyNotVerified);
    // F1 also from the progress dialog, which has the focus during a run.
    findChild<QAction*>(QStringLiteral("aboutAction"))->setShortcutContext(Qt::ApplicationShortcut);
    resultTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(resultTree, &QWidget::customContextMenuRequested, this,
            &MorlAuthenticator::showListMenu);
}

void MorlAuthenticator::showListMenu(const QPoint& at) {
    QMenu menu(this);
    QAction* const again =
        menu.addAction(tr("Verify Again"), this, &MorlAuthenticator::verifyAgain);
    again->setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    again->setEnabled(!resultTree->selectedRows().empty());
    const int unverified = resultTree->notVerifiedCount();
    QAction* const rest = menu.addAction(tr("Verify the Files Not Verified (%1)").arg(unverified),
                                         this, &MorlAuthenticator::verifyNotVerified);
    rest->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+R")));
    rest->setEnabled(unverified > 0);
    menu.exec(resultTree->viewport()->mapToGlobal(at));
}

void MorlAuthenticator::requeueRows(const std::vector<int>& rows, const std::vector<int>& remove) {
    const ResultModel& model = *resultTree->resultModel();
    QStringList paths;
    for (const int row : rows) {
        const QString& path = model.row(row).result.path;
        if (!path.isEmpty()) {
            paths << path;
        }
    }
    resultTree->resultModel()->removeRowList(remove);
    updateSummary();
    if (paths.isEmpty()) {
        return;
    }
    progressDialog->verifyFiles(paths);
    if (!progressDialog->isVisible()) {
        showProgressDialog();
    }
}

void MorlAuthenticator::verifyAgain() {
    resultTree->flush();
    const std::vector<int> rows = resultTree->selectedRows();
    std::vector<int> unverified;
    for (const int row : rows) {
        if (resultTree->resultModel()->row(row).result.code() == VerdictCode::NotVerified) {
            unverified.push_back(row);
        }
    }
    requeueRows(rows, unverified);
}

void MorlAuthenticator::verifyNotVerified() {
    resultTree->flush();
    const std::vector<int> rows = resultTree->resultModel()->notVerifiedRows();
    requeueRows(rows, rows);
}

void MorlAuthenticator::updateSummary() {
    if (selectFirstRow && resultTree->model()->rowCount() > 0) {
        selectFirstRow = false;
        resultTree->setCurrentIndex(resultTree->model()->index(0, 0));
    }
    const int success = resultTree->successCount();
    const int failed = resultTree->failedCount();
    const int unverified = resultTree->notVerifiedCount();
    totalLabel->setText(tr("Total") + QStringLiteral(": %1").arg(success + failed + unverified));
    notVerifiedLabel->setText(tr("Not verified") + QStringLiteral(": %1").arg(unverified));
    notVerifiedLabel->setVisible(unverified > 0);
    successLabel->setText(tr("Success") + QStringLiteral(": %1").arg(success));
    failedLabel->setText(tr("Failed") + QStringLiteral(": %1").arg(failed));
    fitCounts();
    resultTree->viewport()->update();  // the empty list's hint comes and goes
}

void MorlAuthenticator::fitCounts() {
    // A count shown or grown never widens the window (each may shrink to
    // nothing, see buildHeader); where the row would not fit, the counts
    // stand closer together first.
    const std::array<QLabel*, 4> labels = {totalLabel, successLabel, failedLabel, notVerifiedLabel};
    int wanted = 0;
    for (QWidget* const widget :
         countsRow->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (widget != filler && widget != runLink && widget->isVisibleTo(this)) {
            wanted += widget->sizeHint().width();
        }
    }
    for (QLabel* const label : labels) {
        wanted += compactCounts && label->isVisibleTo(this) ? kCompactSaving : 0;
    }
    const bool compact = wanted > width();
    if (compact == compactCounts) {
        return;
    }
    compactCounts = compact;
    const QString style = QString::fromLatin1(compact ? kCompactCountStyle : kCountStyle);
    for (QLabel* const label : labels) {
        label->setStyleSheet(style);
    }
}

void MorlAuthenticator::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    fitCounts();
}

void MorlAuthenticator::updateRunState() {
    const bool running = progressDialog->isRunning();
    if (wasRunning && !running) {
        cases->runEnded();
        resultTree->flush();  // the run's last rows at once, not at the next tick
    }
    wasRunning = running;
    filler->setVisible(!running);
    runLink->setVisible(running);
    // Its text follows the run a few times a second, not once per file:
    // a new text lays out the whole header row.
    if (running && !runTextTimer.isActive()) {
        runTextTimer.start();
    }
}

void MorlAuthenticator::updateRunText() {
    if (progressDialog->isRunning()) {
        const QString text = tr("Verifying %1/%2")
                                 .arg(progressDialog->filesFinished())
                                 .arg(progressDialog->filesQueued());
        runLink->setText(QStringLiteral("<a href=\"show\" style=\"color:#e7b70e\">%1</a>")
                             .arg(text.toHtmlEscaped()));
        runLink->setAccessibleName(text);
    }
}

void MorlAuthenticator::handleAddBtn() {
    // Not Qt's file dialog: it leaves out a name that is not UTF-8.
    verifyFileList(RecordingPicker::getRecordings(this));
}

void MorlAuthenticator::handleAddFolderBtn() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Add a Folder of Recordings"));
    if (!folder.isEmpty()) {
        verifyFileList({folder});
    }
}

void MorlAuthenticator::setRemovalConfirmation(RemovalConfirmation confirm) {
    confirmRemoval = std::move(confirm);
}

void MorlAuthenticator::handleDeleteBtn() {
    const int count = static_cast<int>(resultTree->selectedRows().size());
    if (count == 0 || (count > kConfirmRemovalAbove && !confirmRemoval(count))) {
        return;
    }
    ResultModel::Taken taken = resultTree->removeSelected();
    updateSummary();
    const QList<QByteArray> removed = notListed(pathsOf(taken), *resultTree->resultModel());
    if (!removed.isEmpty()) {
        emit recordingsRemoved(removed);
    }
    removals.push_back(std::move(taken));
    if (removals.size() > kUndoDepth) {
        removals.pop_front();
    }
}

void MorlAuthenticator::undoRemoval() {
    if (removals.empty()) {
        return;
    }
    ResultModel::Taken taken = std::move(removals.back());
    removals.pop_back();
    const QList<QByteArray> paths = notListed(pathsOf(taken), *resultTree->resultModel());
    resultTree->putBack(std::move(taken));
    updateSummary();
    if (!paths.isEmpty()) {
        emit recordingsRestored(paths);
    }
}

void MorlAuthenticator::handleAboutBtn() {
    const CaseStore* const store = cases->store();
    auto* const about =
        new AboutDlg(this, store != nullptr ? AboutDlg::caseDescription(cases->title(), *store)
                                            : QString());
    // Closed dialogs would otherwise pile up under the window.
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();
}

void MorlAuthenticator::showKeys() {
    KeysDialog keys(this);
    // Each edit made while the case is open goes into its custody log.
    connect(&keys, &KeysDialog::keyEdited, cases, &CaseMenu::recordKeyEdit);
    keys.exec();
}

void MorlAuthenticator::handleExportBtn() {
    resultTree->flush();
    // A reopened case's rows load their evidence for the report.
    const ResultModel& model = *resultTree->resultModel();
    for (int row = 0; row < model.rowCount(); ++row) {
        model.loadedRow(row);
    }
    ExportHooks hooks;
    hooks.prepare = [this](ExportRequest& request) { cases->prepareExport(request); };
    hooks.written = [this](const ExportRequest& request, const QString& sha256) {
        cases->recordExport(request, sha256);
    };
    runExport(this, model, resultTree->selectedRows(), hooks);
}

void MorlAuthenticator::copySelection() {
    // Copy inside the evidence text copies that text instead.
    if (evidencePane->isAncestorOf(QApplication::focusWidget())) {
        evidencePane->copySelectedText();
        return;
    }
    const std::vector<int> rows = resultTree->selectedRows();
    for (const int row : rows) {
        resultTree->resultModel()->loadedRow(row);  // a reopened case's tag texts
    }
    if (!rows.empty()) {
        QApplication::clipboard()->setText(rowsAsTabText(*resultTree->resultModel(), rows));
    }
}

void MorlAuthenticator::openPlayer() {
    // At the span the evidence pane's timeline stands on, if it shows this row.
    std::optional<int64_t> cluster;
    if (resultTree->selectedRows().size() == 1 && evidencePane->isVisible()) {
        cluster = evidencePane->timeline()->currentCluster();
    }
    openPlayerAt(cluster);
}

void MorlAuthenticator::openPlayerAt(std::optional<int64_t> cluster) {
    const std::vector<int> rows = resultTree->selectedRows();
    if (rows.empty()) {
        return;
    }
    const QString path = resultTree->resultModel()->row(rows.front()).result.path;
    auto* const player = new PlayerWindow(path, cluster, this);
    player->setAttribute(Qt::WA_DeleteOnClose);
    player->stillRecorded = [this](const QString& png, const QString& pngSha256, const QString&,
                                   const QString& recordSha256) {
        cases->recordStill(png, pngSha256, recordSha256);
    };
    player->resize(1100, 760);
    fitToScreen(*player);
    player->show();
}

void MorlAuthenticator::openEvidence() {
    showSelectedEvidence();
    if (evidencePane->isVisible()) {
        evidencePane->setFocus();
    }
}

void MorlAuthenticator::showSelectedEvidence() {
    const ResultModel& model = *resultTree->resultModel();
    std::vector<const ResultModel::Row*> rows;
    for (const int row : resultTree->selectedRows()) {
        rows.push_back(&model.loadedRow(row));
    }
    evidencePane->showRows(rows);
    if (!rows.empty() && evidencePane->isHidden()) {
        // The evidence gets the larger share once it is asked for; the
        // splitter shares out its height by these weights.
        const int list = static_cast<int>(1000 * listShare);
        evidencePane->show();
        splitter->setSizes({list, 1000 - list});
    } else if (rows.empty()) {
        evidencePane->hide();
    }
    evidencePane->setPictureShare(pictureShare);
}

void MorlAuthenticator::addVerifyResult(const VerifyResult& result) {
    // Listed once it is in the case (resultReady), with the fixity finding
    // it may gain there.
    cases->record(result);
}

void MorlAuthenticator::updateTitle() {
    setWindowTitle(cases->title());
}

void MorlAuthenticator::verifyFileList(const QStringList& list) {
    if (progressDialog == nullptr || list.isEmpty() || !cases->mayVerify()) {
        return;
    }
    // Folders are walked and files' sizes looked up off this thread, which
    // never waits on the disk; lists are queued in the order they came.
    folderWalk->expand(list);
}

void MorlAuthenticator::queueRecordings(const CollectedRecordings& collected) {
    if (!collected.notes.isEmpty()) {
        // Part of the intake: the case keeps what was left out, and why.
        cases->recordSkipped(collected.notes);
        // No translator is installed, so Qt's %n would say "1 entries".
        const int skipped = static_cast<int>(collected.notes.size());
        showNote(tr("Some entries were skipped"),
                 skipped == 1 ? tr("1 entry in the folders was skipped.")
                              : tr("%1 entries in the folders were skipped.").arg(skipped),
                 collected.notes);
    }
    if (collected.files.isEmpty()) {
        return;
    }
    progressDialog->verifyFiles(collected.files, collected.sizes);
    if (!progressDialog->isVisible()) {
        showProgressDialog();
    }
}

void MorlAuthenticator::openOnStart(const QStringList& list) {
    selectFirstRow = resultTree->model()->rowCount() == 0 && !list.isEmpty();
    verifyFileList(list);
}

void MorlAuthenticator::showProgressDialog() {
    if (progressDialog->isVisible()) {
        progressDialog->raise();
        progressDialog->activateWindow();
        return;
    }
    // Centred over the window; QRect::center halves with truncation.
    const QPoint centre = geometry().center();
    progressDialog->move(centre.x() - progressDialog->width() / 2,
                         centre.y() - progressDialog->height() / 2);
    progressDialog->show();
}

void MorlAuthenticator::reportCancelled(const QStringList& notVerified, int inProgress) {
    // Queued files never started are listed too, so none vanishes.
    // Through the case like every result, so they follow those before them.
    for (const QString& path : notVerified) {
        cases->record(cancelledResult(path));
    }
    const int dropped = static_cast<int>(notVerified.size());
    // No translator is installed, so Qt's %n would say "1 files".
    QStringList parts;
    if (inProgress > 0) {
        parts
            << (inProgress == 1
                    ? tr("1 file in progress was stopped before its verdict")
                    : tr("%1 files in progress were stopped before their verdict").arg(inProgress));
    }
    if (dropped > 0 || parts.isEmpty()) {
        parts << (dropped == 1 ? tr("1 queued file was not started")
                               : tr("%1 queued files were not started").arg(dropped));
    }
    showNote(tr("Verification cancelled"),
             parts.join(tr(", and ")) + QStringLiteral(". ") +
                 tr("They are listed as \"Not verified (cancelled)\". To verify them, press "
                    "Ctrl+Shift+R, or choose Verify Again (Ctrl+R) on selected rows."),
             notVerified);
}

void MorlAuthenticator::showNote(const QString& title, const QString& text,
                                 const QStringList& lines) {
    auto* const box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("noteBox"));
    box->setTextFormat(Qt::PlainText);
    // Paths and names from the disk, one per line: none may break its line or disguise itself.
    QStringList shown;
    for (const QString& line : lines) {
        shown << shownText(line);
    }
    box->setDetailedText(shown.join(QLatin1Char('\n')));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MorlAuthenticator::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData() != nullptr && acceptsRecordings(*event->mimeData())) {
        event->acceptProposedAction();
    }
}

void MorlAuthenticator::dropEvent(QDropEvent* event) {
    if (event->mimeData() == nullptr) {
        return;
    }
    const QStringList paths = droppedPaths(*event->mimeData());
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        verifyFileList(paths);
    }
}

void MorlAuthenticator::restoreLayout() {
    const QSettings settings;
    const QByteArray geometry = settings.value(QLatin1String(kGeometryKey)).toByteArray();
    if (!geometry.isEmpty()) {
        restoreGeometry(geometry);
    }
    // Saved on a larger screen, or with a wider row than the window has now.
    fitToScreen(*this);
    // A share from a damaged file must not hide the list or the evidence.
    const double list = settings.value(QLatin1String(kListShareKey), kListShare).toDouble();
    listShare = list >= 0.15 && list <= 0.85 ? list : kListShare;
    pictureShare = settings.value(QLatin1String(kPictureShareKey), -1.0).toDouble();
}

void MorlAuthenticator::saveLayout() const {
    QSettings settings;
    settings.setValue(QLatin1String(kGeometryKey), saveGeometry());
    settings.setValue(QLatin1String(kListShareKey), listShare);
    if (pictureShare > 0) {
        settings.setValue(QLatin1String(kPictureShareKey), pictureShare);
    }
}

void MorlAuthenticator::closeEvent(QCloseEvent* event) {
    // A temporary case holding results is offered for saving first.
    if (!cases->mayClose([this] { close(); })) {
        event->ignore();
        return;
    }
    saveLayout();
    // The current file stops at its next piece of data; waiting here means
    // no thread is left running while the program is torn down.
    folderWalk->stop();
    progressDialog->stopVerification();
    QMainWindow::closeEvent(event);
}

#include "moc_MorlAuthenticator.cpp"
