// telvar-screenshot DEMO_DIR OUT.png: shows the main window, verifies the
// demo recordings through the same path as a drop and saves the window as
// a PNG once the run has ended. Meant for a real X server (Xvfb), so fonts
// and style render as a person sees them.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

#include "ui/MorlAuthenticator.h"
#include "ui/NResultTree.h"
#include "verification/VerifyProgressDlg.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DEMO_DIR OUT.png\n", argv[0]);
        return 2;
    }
    QApplication::setApplicationVersion(QStringLiteral(TELVAR_VERSION));
    QApplication::setApplicationDisplayName(
        QStringLiteral("Telvar Surveillance Video Authenticator"));

    const QDir demo(QString::fromLocal8Bit(argv[1]));
    const QString output = QString::fromLocal8Bit(argv[2]);
    const QStringList files = {demo.filePath("authentic.mkv"), demo.filePath("tampered.mkv"),
                               demo.filePath("unsigned.mkv")};

    MorlAuthenticator window;
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
