// telvar-authenticator: the desktop program. The application object takes
// its own options; every argument left is a file or folder to verify.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "casefile/CaseError.h"
#include "casefile/CaseFile.h"
#include "casefile/ExaminerKey.h"
#include "report/Escape.h"
#include "signature/KeyStore.h"
#include "ui/CaseMenu.h"
#include "ui/HeapTuning.h"
#include "ui/KeysDialog.h"
#include "ui/MorlAuthenticator.h"
#include "ui/RecordingDrop.h"

namespace {

const char kUsage[] =
    "Usage: telvar-authenticator [options] [--] [file or folder...]\n"
    "Opens the window and verifies the recordings named, folders walked for\n"
    "their .mkv files.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "  -v, --version  show the version and exit\n"
    "  --examiner-key FILE  the examiner's Ed25519 key that seals the case (made\n"
    "                 when missing; default $TELVAR_EXAMINER_KEY, else\n"
    "                 $XDG_CONFIG_HOME/telvar/examiner-ed25519.pem)\n"
    "  --             every argument after it is a file or folder\n"
    "\n"
    "The window also takes the toolkit's own options (such as -platform).\n";

// Exit status when the examiner's key given cannot be used, as telvar-verify's.
constexpr int kKeyRefused = 4;

// The key named by --examiner-key, checked (made when missing) before the
// window opens, then used for every seal as $TELVAR_EXAMINER_KEY would be.
// False, with the reason printed, when it cannot be used: a window that
// sealed with another key, or not at all, would say less than was asked.
bool useExaminerKey(const QByteArray& given) {
    if (given.isEmpty()) {
        return true;
    }
    const std::string path = absoluteNormalPath(given.toStdString());
    try {
        ExaminerKey::loadOrCreate(path);
    } catch (const CaseError& error) {
        std::fprintf(stderr, "telvar-authenticator: %s\n", displayText(error.what()).c_str());
        return false;
    }
    return ::setenv("TELVAR_EXAMINER_KEY", path.c_str(), 1) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the window's toolkit starts, so they work without a
    // display; the toolkit's own options are not known yet and pass.
    const StartArguments early = startArguments(argc, argv);
    if (early.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (early.version) {
        std::printf("telvar-authenticator %s\n", TELVAR_VERSION);
        return 0;
    }
    if (!early.usageError.isEmpty()) {
        std::fprintf(stderr, "telvar-authenticator: %s\n\n%s",
                     displayText(early.usageError.toStdString()).c_str(), kUsage);
        return 2;
    }
    // Before the toolkit starts threads that read the environment, and
    // before anything reads the key: the first seal loads it.
    if (!useExaminerKey(early.examinerKey)) {
        return kKeyRefused;
    }
    keepHeapPadding();
    QApplication app(argc, argv);
    const StartArguments arguments = startArguments(argc, argv);
    if (!arguments.unknownOption.isEmpty()) {
        std::fprintf(stderr, "telvar-authenticator: unknown option %s\n%s",
                     displayText(arguments.unknownOption.toStdString()).c_str(), kUsage);
        return 2;
    }

    QApplication::setApplicationVersion(QStringLiteral(TELVAR_VERSION));
    QApplication::setApplicationDisplayName(
        QStringLiteral("Telvar Surveillance Video Authenticator"));
    QApplication::setOrganizationName(QStringLiteral("Telvar Systems"));
    QApplication::setOrganizationDomain(QStringLiteral("telvar.example"));
    // Ties the window to its installed menu entry, and so to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.telvar.Authenticator"));

    // The store the settings name, else the user's (else the machine's): one
    // that does not read is never half used, so nothing is verified with it.
    try {
        useWindowKeyStore();
    } catch (const nvr::KeyStoreError& error) {
        const std::string why = displayText(error.what());
        std::fprintf(stderr, "telvar-authenticator: %s\n", why.c_str());
        QMessageBox::critical(nullptr, QApplication::translate("main", "Key store"),
                              QApplication::translate("main", "The key store cannot be used:\n%1")
                                  .arg(QString::fromStdString(why)));
        return 2;
    }

    MorlAuthenticator window;
    window.show();
    // Before anything goes into this window's own unsaved case.
    window.caseMenu()->offerRecovery();
    // What a file manager's "Open with" or the command line names.
    window.openOnStart(arguments.paths);
    return app.exec();
}
