// The About dialog: what it reads from the application object, and its frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>

#include "ui/AboutDlg.h"

namespace {

// Application metadata as the program entry sets it; the previous values
// are put back for the other suites.
class AboutDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0.0"));
        QGuiApplication::setApplicationDisplayName(
            QStringLiteral("Telvar Surveillance Video Authenticator"));
        QCoreApplication::setOrganizationName(QStringLiteral("Telvar Security Systems"));
    }
    void TearDown() override {
        QCoreApplication::setApplicationVersion(version);
        QGuiApplication::setApplicationDisplayName(displayName);
        QCoreApplication::setOrganizationName(organization);
    }

    static const QLabel* label(const AboutDlg& dialog, bool withText) {
        for (const QLabel* candidate : dialog.findChildren<QLabel*>()) {
            if (candidate->text().isEmpty() != withText) {
                return candidate;
            }
        }
        return nullptr;
    }

  private:
    const QString version = QCoreApplication::applicationVersion();
    const QString displayName = QGuiApplication::applicationDisplayName();
    const QString organization = QCoreApplication::organizationName();
};

}  // namespace

TEST_F(AboutDlgTest, ShowsNameVersionAndCopyrightFromTheApplication) {
    const AboutDlg dialog;
    ASSERT_NE(label(dialog, true), nullptr);
    const QStringList paragraphs = label(dialog, true)->text().split(QStringLiteral("\n\n"));
    ASSERT_EQ(paragraphs.size(), 3);
    EXPECT_EQ(paragraphs[0], "Telvar Surveillance Video Authenticator");
    EXPECT_EQ(paragraphs[1], "Version: 1.0.0.0");
    EXPECT_TRUE(paragraphs[2].contains("Telvar Security Systems"));

    // Read when the dialog is made, not cached.
    QGuiApplication::setApplicationDisplayName(QString());
    QCoreApplication::setApplicationVersion(QStringLiteral("2.5"));
    const AboutDlg later;
    EXPECT_TRUE(label(later, true)->text().startsWith(QStringLiteral("\n\nVersion: 2.5\n\n")));
}

// The case's head is shown whole and can be copied; without a case, no box.
TEST_F(AboutDlgTest, ShowsTheCasesHeadToCopy) {
    EXPECT_EQ(AboutDlg().findChild<QPlainTextEdit*>(QStringLiteral("caseHead")), nullptr);
    const QString text = QStringLiteral("Custody log: 9 custody events; SHA-256 of the newest ") +
                         QString(64, QLatin1Char('a'));
    const AboutDlg dialog(nullptr, text);
    const auto* const box = dialog.findChild<QPlainTextEdit*>(QStringLiteral("caseHead"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->toPlainText(), text);
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_TRUE(box->textInteractionFlags() & Qt::TextSelectableByMouse);
}

TEST_F(AboutDlgTest, IsAFixedWindowModalDialogWithLogoAndCloseButtonOnly) {
    QWidget window;
    const AboutDlg dialog(&window);
    EXPECT_EQ(dialog.windowTitle(), "About");
    EXPECT_EQ(dialog.minimumSize(), QSize(440, 320));
    EXPECT_EQ(dialog.maximumSize(), QSize(440, 320));
    EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    const QLabel* const logo = label(dialog, false);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->size(), QSize(80, 80));
#if QT_VERSION >= QT_VERSION_CHECK(5, 15, 0)
    EXPECT_EQ(logo->pixmap(Qt::ReturnByValue).size(), QSize(76, 76));
#else
    EXPECT_EQ(logo->pixmap()->size(), QSize(76, 76));
#endif
}
