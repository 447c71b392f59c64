// The header-strip button under the application style sheet: hover icon and
// gold background between enter and leave, text colours from the sheet.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>

#include "ui/NToolButton.h"

namespace {

const QColor kGold(0xe7, 0xb7, 0x0e);

int countColour(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

class ToolButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QFile sheet(QStringLiteral(":/qss/style.qss"));
        ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromLatin1(sheet.readAll()));
    }
    void TearDown() override { qApp->setStyleSheet(QString()); }

    void send(QEvent::Type type) {
        QEvent event(type);
        QApplication::sendEvent(&button, &event);
        button.setAttribute(Qt::WA_UnderMouse, type == QEvent::Enter);
    }
    bool shows(const QIcon& icon) const {
        return button.icon().pixmap(38, 38).toImage() == icon.pixmap(38, 38).toImage();
    }

    const QIcon normal{QStringLiteral(":/icons/add0")};
    const QIcon hover{QStringLiteral(":/icons/add1")};
    NToolButton button{QStringLiteral("MMMM"), normal, hover};
};

}  // namespace

TEST_F(ToolButtonTest, HoverSwapsIconAndLightsBackgroundUntilLeave) {
    EXPECT_EQ(button.toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_TRUE(shows(normal));
    // A new button shows the strip through.
    EXPECT_EQ(button.grab().toImage().pixelColor(0, 0).alpha(), 0);

    send(QEvent::Enter);
    EXPECT_TRUE(shows(hover));
    const QImage lit = button.grab().toImage();
    EXPECT_EQ(lit.pixelColor(0, 0), kGold);
    EXPECT_EQ(lit.pixelColor(lit.width() - 1, lit.height() - 1), kGold);

    send(QEvent::Leave);
    EXPECT_TRUE(shows(normal));
    EXPECT_EQ(countColour(button.grab().toImage(), kGold), 0);
}

TEST_F(ToolButtonTest, TextColourComesFromTheStyleSheet) {
    button.resize(button.sizeHint());
    const QImage plain = button.grab().toImage();
    EXPECT_GT(countColour(plain, QColor("#f6f6f6")), 0);
    EXPECT_EQ(countColour(plain, QColor("#ffffff")), 0);

    send(QEvent::Enter);
    const QImage lit = button.grab().toImage();
    EXPECT_GT(countColour(lit, QColor("#ffffff")), 0);
    EXPECT_EQ(countColour(lit, QColor("#f6f6f6")), 0);
}
