// telvar-authenticator: the desktop program. The application object takes
// its own options; every argument left is a file or folder to verify.
#include <QApplication>

#include "ui/CaseMenu.h"
#include "ui/HeapTuning.h"
#include "ui/MorlAuthenticator.h"
#include "ui/RecordingDrop.h"

int main(int argc, char** argv) {
    keepHeapPadding();
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(TELVAR_VERSION));
    QApplication::setApplicationDisplayName(
        QStringLiteral("Telvar Surveillance Video Authenticator"));
    QApplication::setOrganizationName(QStringLiteral("Telvar Systems"));
    QApplication::setOrganizationDomain(QStringLiteral("telvar.example"));
    // Ties the window to its installed menu entry, and so to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.telvar.Authenticator"));

    MorlAuthenticator window;
    window.show();
    // Before anything goes into this window's own unsaved case.
    window.caseMenu()->offerRecovery();
    // What a file manager's "Open with" or the command line names.
    window.openOnStart(argumentPaths(argc, argv));
    return app.exec();
}
