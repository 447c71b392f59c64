// telvar-screenshot [--size=WxH] [--select=NAME] DEMO_DIR OUT.png [EVIDENCE.png REPORT.pdf
// [FILMSTRIP.png]]: shows the main window (at its default size, or WxH), verifies the demo
// recordings through the same path
// as a drop and saves the window as a PNG once the run has ended; then, if
// asked, the window with the tampered recording's evidence (or NAME's, added
// to the demo recordings verified), a PDF report of
// all rows, and the evidence pane after a click on the failing span. Meant for a real X server
// (Xvfb), so fonts and style render as a person sees them.
// telvar-screenshot --cancel FOLDER DIALOG.png LIST.png: adds the folder,
// saves the progress dialog a few seconds into the run, presses Cancel and
// saves the window with the note and then the list it leaves.
// telvar-screenshot --reopen CASE OUT.png: the window with the case file
// reopened and its tampered recording's row selected.
// telvar-screenshot --dialogs FOLDER ADD.png LOG.png: adds the folder, then
// saves the whole screen with the Add dialog listing it and with the
// custody log, each as fitted to the screen.
// telvar-screenshot --keys STORE PEM PRIVATE.pem OUT.png: the Keys dialog on
// STORE after adding PEM's key, refusing the private key.
// telvar-screenshot --player=WxH FILE OUT.png [next]: the player on FILE at
// WxH, at its first frame, or with "next" at its first change of standing.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "ui/CaseLogDialog.h"
#include "ui/CaseMenu.h"
#include "ui/EvidencePane.h"
#include "signature/KeyStoreEdit.h"
#include "ui/KeysDialog.h"
#include "ui/FilmstripView.h"
#include "ui/MorlAuthenticator.h"
#include "ui/NResultTree.h"
#include "ui/RecordingPicker.h"
#include "ui/PlayerWindow.h"
#include "ui/ReportExport.h"
#include "ui/TimelineView.h"
#include "verification/VerifyProgressDlg.h"

namespace {

void settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// Clicks the first failing span as a person would and saves the pane once
// its picture has come.
int filmstripShot(MorlAuthenticator& window, const QString& picture) {
    auto* const pane = window.findChild<EvidencePane*>();
    TimelineView* const timeline = pane->timeline();
    const int before = pane->filmstrip()->pictureCount();
    for (int x = 0; x < timeline->width(); ++x) {
        if (timeline->spanTextAt(x).contains(QStringLiteral("mismatch"))) {
            pane->showRunPicture(timeline->runIndexAt(x));
            break;
        }
    }
    QElapsedTimer waited;
    waited.start();
    while (pane->filmstrip()->pictureCount() == before && waited.elapsed() < 10000) {
        settle(50);
    }
    settle(300);
    return pane->grab().save(picture) ? 0 : 1;
}

// Selects the row `name`, saves the window with its evidence, and writes
// the PDF report of every row.
int evidenceShots(MorlAuthenticator& window, const QString& name, const QString& picture,
                  const QString& pdf) {
    auto* const tree = window.findChild<NResultTree*>();
    const QAbstractItemModel* const model = tree->model();
    const QModelIndexList chosen =
        model->match(model->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
    if (chosen.isEmpty()) {
        return 1;
    }
    tree->setCurrentIndex(chosen.front());
    tree->setFocus();
    settle(500);
    if (!window.grab().save(picture)) {
        return 1;
    }
    ExportRequest request;
    request.examiner = QStringLiteral("A. Examiner");
    request.caseReference = QStringLiteral("CASE-2026-0042");
    for (int row = 0; row < model->rowCount(); ++row) {
        request.rows.push_back(row);
    }
    request.path = pdf;
    return writeExport(*tree->resultModel(), request).isEmpty() ? 0 : 1;
}

// A run of a large folder, cancelled in its course.
int cancelShots(const QString& folder, const QString& dialogShot, const QString& listShot) {
    MorlAuthenticator window;
    window.caseMenu()->unsavedChoice = [] { return CaseMenu::UnsavedChoice::Discard; };
    window.show();
    QMetaObject::invokeMethod(&window, "verifyFileList", Q_ARG(QStringList, QStringList{folder}));
    auto* const dialog = window.findChild<VerifyProgressDlg*>();
    settle(3000);
    dialog->showRun();
    settle(300);
    // Between two holds on painting, as the eye sees it.
    while (!dialog->updatesEnabled()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (!dialog->grab().save(dialogShot)) {
        return 1;
    }
    QMetaObject::invokeMethod(dialog, "cancelRun");
    settle(800);
    QWidget* const note = window.findChild<QWidget*>(QStringLiteral("noteBox"));
    if (note != nullptr && !note->grab().save(QString(listShot).replace(".png", "-note.png"))) {
        return 1;
    }
    if (note != nullptr) {
        note->close();
    }
    auto* const tree = window.findChild<NResultTree*>();
    tree->scrollToBottom();
    settle(500);
    return window.grab().save(listShot) ? 0 : 1;
}

int reopenShot(const QString& caseFile, const QString& picture) {
    MorlAuthenticator window;
    window.caseMenu()->unsavedChoice = [] { return CaseMenu::UnsavedChoice::Discard; };
    window.resize(1024, 860);
    window.show();
    if (!window.caseMenu()->openCase(caseFile)) {
        return 1;
    }
    auto* const tree = window.findChild<NResultTree*>();
    const QAbstractItemModel* const model = tree->model();
    const QModelIndexList tampered = model->match(
        model->index(0, 0), Qt::DisplayRole, QStringLiteral("tampered.mkv"), 1, Qt::MatchExactly);
    if (!tampered.isEmpty()) {
        tree->setCurrentIndex(tampered.front());
    }
    tree->setFocus();
    // Its pictures are made again from the file.
    const FilmstripView* const strip = window.findChild<EvidencePane*>()->filmstrip();
    QElapsedTimer waited;
    waited.start();
    while (strip->pictureCount() == 0 && waited.elapsed() < 10000) {
        settle(50);
    }
    settle(500);
    return window.grab().save(picture) ? 0 : 1;
}

bool screenShot(const QString& picture) {
    return QGuiApplication::primaryScreen()->grabWindow(0).save(picture);
}

int dialogShots(const QString& folder, const QString& addShot, const QString& logShot) {
    MorlAuthenticator window;
    window.caseMenu()->unsavedChoice = [] { return CaseMenu::UnsavedChoice::Discard; };
    window.show();
    QMetaObject::invokeMethod(&window, "verifyFileList", Q_ARG(QStringList, {folder}));
    const auto* const tree = window.findChild<NResultTree*>();
    const auto* const progress = window.findChild<VerifyProgressDlg*>();
    QElapsedTimer waited;
    waited.start();
    while ((tree->model()->rowCount() == 0 || progress->isVisible()) && waited.elapsed() < 30000) {
        settle(50);
    }
    settle(500);
    {
        RecordingPicker picker(folder, &window);
        picker.show();
        while (picker.listing() && waited.elapsed() < 40000) {
            settle(50);
        }
        picker.entries()->setCurrentRow(picker.entries()->count() - 1);
        settle(500);
        if (!screenShot(addShot)) {
            return 1;
        }
    }
    window.findChild<QAction*>(QStringLiteral("caseLogAction"))->trigger();
    settle(1000);
    return window.findChild<CaseLogDialog*>() != nullptr && screenShot(logShot) ? 0 : 1;
}

int keysShot(const QString& store, const QString& pem, const QString& privatePem,
             const QString& picture) {
    // The setting goes to a folder of this run's, not the user's settings.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings().setValue(QLatin1String(kKeyStoreSetting), store);
    useWindowKeyStore();
    KeysDialog dialog;
    dialog.show();
    nvr::NewKey key;
    key.label = "North site, cameras 1-8";
    key.recorders = {"NVR-0042"};
    key.validFrom = "2026-01-01 00:00:00";
    dialog.addKey(pem, key);
    key.label = "Pasted by mistake";
    dialog.addKey(privatePem, key);
    settle(500);
    return screenShot(picture) ? 0 : 1;
}

int playerShot(const QByteArray& size, const QString& file, const QString& picture, bool next) {
    const QList<QByteArray> parts = size.split('x');
    PlayerWindow player(file, std::nullopt);
    player.resize(parts.value(0).toInt(), parts.value(1).toInt());
    player.show();
    QElapsedTimer waited;
    waited.start();
    while (player.shownFrame() == 0 && waited.elapsed() < 60000) {
        settle(50);
    }
    if (next) {
        player.nextChange(true);
        const int64_t wanted = player.currentFrame();
        while (player.shownFrame() != wanted && waited.elapsed() < 90000) {
            settle(50);
        }
    }
    settle(300);
    return player.grab().save(picture) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if ((argc == 4 || argc == 5) && qstrncmp(argv[1], "--player=", 9) == 0) {
        return playerShot(QByteArray(argv[1] + 9), QString::fromLocal8Bit(argv[2]),
                          QString::fromLocal8Bit(argv[3]), argc == 5);
    }
    if (argc == 6 && QByteArray(argv[1]) == "--keys") {
        return keysShot(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                        QString::fromLocal8Bit(argv[4]), QString::fromLocal8Bit(argv[5]));
    }
    if (argc == 4 && QByteArray(argv[1]) == "--reopen") {
        QApplication::setApplicationDisplayName(
            QStringLiteral("Telvar Surveillance Video Authenticator"));
        return reopenShot(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    if (argc == 5 && qstrcmp(argv[1], "--dialogs") == 0) {
        return dialogShots(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                           QString::fromLocal8Bit(argv[4]));
    }
    if (argc == 5 && qstrcmp(argv[1], "--cancel") == 0) {
        return cancelShots(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                           QString::fromLocal8Bit(argv[4]));
    }
    QSize size;
    if (argc > 1 && qstrncmp(argv[1], "--size=", 7) == 0) {
        const QList<QByteArray> parts = QByteArray(argv[1] + 7).split('x');
        size = parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
        if (!size.isValid()) {
            std::fprintf(stderr, "telvar-screenshot: --size=WIDTHxHEIGHT\n");
            return 2;
        }
        --argc;
        ++argv;
    }
    QString selected = QStringLiteral("tampered.mkv");
    if (argc > 1 && qstrncmp(argv[1], "--select=", 9) == 0) {
        selected = QString::fromLocal8Bit(argv[1] + 9);
        --argc;
        ++argv;
    }
    if (argc < 3 || argc == 4 || argc > 6) {
        std::fprintf(stderr,
                     "usage: %s [--size=WxH] [--select=NAME] DEMO_DIR OUT.png [EVIDENCE.png "
                     "REPORT.pdf [FILMSTRIP.png]]\n",
                     argv[0]);
        return 2;
    }
    // The pictures show the window as it first opens, whatever was kept
    // from an earlier start.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QApplication::setApplicationVersion(QStringLiteral(TELVAR_VERSION));
    QApplication::setApplicationDisplayName(
        QStringLiteral("Telvar Surveillance Video Authenticator"));

    const QDir demo(QString::fromLocal8Bit(argv[1]));
    const QString output = QString::fromLocal8Bit(argv[2]);
    QStringList files = {demo.filePath("authentic.mkv"), demo.filePath("tampered.mkv"),
                         demo.filePath("unsigned.mkv")};
    if (!files.contains(demo.filePath(selected))) {
        files << demo.filePath(selected);
    }

    MorlAuthenticator window;
    if (size.isValid()) {
        window.resize(size);
    }
    // Quitting closes the window, which would offer to save its temporary case.
    window.caseMenu()->unsavedChoice = [] { return CaseMenu::UnsavedChoice::Discard; };
    window.show();
    // verifyFileList is the window's private slot, reached as a drop does.
    QMetaObject::invokeMethod(&window, "verifyFileList", Qt::QueuedConnection,
                              Q_ARG(QStringList, files));

    const auto* tree = window.findChild<NResultTree*>();
    const auto* dialog = window.findChild<VerifyProgressDlg*>();
    int status = 1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (tree->model()->rowCount() < files.size() || dialog->isVisible()) {
            return;
        }
        poll.stop();
        // One more turn of the event loop so the last repaint is done.
        QTimer::singleShot(500, [&] {
            status = window.grab().save(output) ? 0 : 1;
            if (argc >= 5 && status == 0) {
                status = evidenceShots(window, selected, QString::fromLocal8Bit(argv[3]),
                                       QString::fromLocal8Bit(argv[4]));
            }
            if (argc == 6 && status == 0) {
                status = filmstripShot(window, QString::fromLocal8Bit(argv[5]));
            }
            app.quit();
        });
    });
    poll.start(50);
    QTimer::singleShot(60000, &app, &QApplication::quit);  // never hang a script
    app.exec();
    if (status != 0) {
        std::fprintf(stderr, "telvar-screenshot: no screenshot written\n");
    }
    return status;
}
