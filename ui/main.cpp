// telvar-authenticator: the desktop program. It takes no options; the
// arguments go to the application object only.
#include <QApplication>

#include "ui/MorlAuthenticator.h"

int main(int argc, char** argv) {
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
    return app.exec();
}
