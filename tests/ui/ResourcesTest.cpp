// The compiled-in collection: every path the program names opens with its
// size and role, and the style sheet holds the rules the look needs.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QResource>
#include <algorithm>
#include <cmath>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The image's average colour.
QColor meanColour(const char* path) {
    return QImage(QString::fromLatin1(path))
        .scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .pixelColor(0, 0);
}

// WCAG 2 contrast ratio of two colours.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        // Qt 6 gives float, Qt 5 double: widened by name, as clang asks.
        return 0.2126 * linear(static_cast<double>(c.redF())) +
               0.7152 * linear(static_cast<double>(c.greenF())) +
               0.0722 * linear(static_cast<double>(c.blueF()));
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A property of the sheet's rule for `selector`, e.g. ("QTreeView::item", "color").
QColor ruleColour(const QString& selector, const QString& property) {
    const QString sheet = QString::fromLatin1(readAll(QStringLiteral(":/qss/style.qss")));
    const QRegularExpression rule(QRegularExpression::escape(selector) +
                                  QStringLiteral("\\s*\\{([^}]*)\\}"));
    const QString body = rule.match(sheet).captured(1);
    const QRegularExpression value(QStringLiteral("(?:^|[;\\s])") +
                                   QRegularExpression::escape(property) +
                                   QStringLiteral("\\s*:\\s*[^;#]*(#[0-9a-fA-F]+)"));
    const QColor colour(value.match(body).captured(1));
    EXPECT_TRUE(colour.isValid()) << selector.toStdString() << " " << property.toStdString();
    return colour;
}

}  // namespace

// Body text of the list reads at WCAG AA (4.5:1) in every state, and the
// focus mark stands out from white (3:1); the verdict words keep their own
// colours (ResultTreeTest).
TEST(ResourcesTest, ListTextAndFocusMarkHaveEnoughContrast) {
    const QColor white("#ffffff");
    EXPECT_GE(contrast(ruleColour("QTreeView::item", "color"), white), 4.5);
    EXPECT_GE(contrast(ruleColour("QHeaderView:section", "color"), white), 4.5);
    EXPECT_GE(contrast(ruleColour("QTreeView::item:selected", "color"),
                       ruleColour("QTreeView::item:selected", "background-color")),
              4.5);
    EXPECT_GE(contrast(ruleColour("QTreeView::item:hover", "color"),
                       ruleColour("QTreeView::item:hover", "background-color")),
              4.5);
    EXPECT_GE(
        contrast(ruleColour("QPushButton", "color"), ruleColour("QPushButton", "background-color")),
        4.5);
    EXPECT_GE(contrast(ruleColour("QPushButton:focus", "border"), white), 3.0);
    EXPECT_LT(contrast(QColor("#8e8e8e"), white), 3.5) << "the measure: the former grey fails";
}

TEST(ResourcesTest, EveryImageIsAStoredRgbaPngOfItsSize) {
    const struct {
        const char* name;
        QSize size;
    } images[] = {
        {"bg", {1, 120}},     {"telvar_logo", {152, 32}}, {"add0", {38, 38}},
        {"add1", {38, 38}},   {"delete0", {38, 38}},      {"delete1", {38, 38}},
        {"about0", {38, 38}}, {"about1", {38, 38}},       {"success", {32, 32}},
        {"failed", {32, 32}}, {"app_logo", {76, 76}},     {"warning", {32, 32}},
    };
    for (const auto& [name, size] : images) {
        const QString path = QStringLiteral(":/icons/") + name;
        SCOPED_TRACE(path.toStdString());
        const QByteArray png = readAll(path);
        ASSERT_GT(png.size(), 29);
        // IHDR: 8-bit depth, colour type 6 (RGBA), no interlace.
        EXPECT_EQ(png.mid(12, 4), QByteArray("IHDR"));
        EXPECT_EQ(png.at(24), 8);
        EXPECT_EQ(png.at(25), 6);
        EXPECT_EQ(png.at(28), 0);
        EXPECT_EQ(QImage(path).size(), size);
        EXPECT_EQ(QResource(path).compressionAlgorithm(), QResource::NoCompression);
    }
}

TEST(ResourcesTest, ImagesFitTheirRoles) {
    // The header strip is tiled with bg: it must cover, not show through.
    const QImage background(QStringLiteral(":/icons/bg"));
    for (int y = 0; y < background.height(); ++y) {
        EXPECT_EQ(background.pixelColor(0, y).alpha(), 255) << "row " << y;
    }
    // Verdicts not swapped: success reads green, failed red.
    const QColor success = meanColour(":/icons/success");
    const QColor failed = meanColour(":/icons/failed");
    EXPECT_GT(success.green(), success.red());
    EXPECT_GT(failed.red(), failed.green());
    // Hovering must show: each hover icon differs from its normal one.
    for (const char* button : {"add", "delete", "about"}) {
        const QString path = QStringLiteral(":/icons/") + button;
        EXPECT_TRUE(QImage(path + '0') != QImage(path + '1')) << button;
    }
}

TEST(ResourcesTest, StyleSheetHoldsTheRulesInOrderWithCrlfLineEnds) {
    const QByteArray sheet = readAll(QStringLiteral(":/qss/style.qss"));
    ASSERT_FALSE(sheet.isEmpty());
    EXPECT_EQ(sheet.count('\n'), sheet.count("\r\n"));
    EXPECT_EQ(sheet.count('\r'), sheet.count("\r\n"));

    // Each rule: a selector line, "{", declarations ending in ";", "}".
    QStringList rules;
    QString rule;
    for (const QString& raw : QString::fromLatin1(sheet).split(QStringLiteral("\r\n"))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line == "{") {
            continue;
        }
        if (line == "}") {
            rules << rule;
            rule.clear();
        } else if (rule.isEmpty()) {
            rule = line + " {";
        } else {
            EXPECT_TRUE(line.endsWith(';')) << line.toStdString();
            rule += ' ' + line;
        }
    }
    EXPECT_TRUE(rule.isEmpty()) << "unclosed: " << rule.toStdString();

    const QStringList expected = {
        "QToolButton { color: #f6f6f6; border: 0; padding-left: 20px; padding-right: 20px; "
        "padding-top: 5px; padding-bottom: 10px; background: transparent;",
        "QToolButton:hover { color: #ffffff;",
        "QHeaderView { padding-top: 8px; padding-bottom: 8px; border-bottom: 1px solid #858585; "
        "background-color: white;",
        "QHeaderView:section { height: 30px; border: none; border-left: 1px solid #858585; "
        "background-color: white; color: #595959;",
        "QHeaderView::up-arrow { subcontrol-origin: padding; subcontrol-position: right; "
        "width: 15px;",
        "QHeaderView::down-arrow { subcontrol-origin: padding; subcontrol-position: right; "
        "width: 15px;",
        "QTreeView::item { color: #595959;",
        "QTreeView::item:selected { color: #fff; background-color: #5c6b6d;",
        "QTreeView::item:hover { color: #333333; background-color: #e0e6e7;",
        "QProgressBar { border: 1px solid grey; background-color: #dce2ea; text-align: center;",
        "QProgressBar::chunk { background-color: #87c535; width: 20px;",
        "QTreeView, QTextBrowser, FilmstripView { border: 2px solid transparent;",
        "QTreeView:focus, QTextBrowser:focus, FilmstripView:focus { border: 2px solid #1a5fb4;",
        "QPushButton { color: #333333; background-color: #f6f6f6; border: 1px solid #858585; "
        "border-radius: 3px; padding: 5px 16px; min-width: 60px;",
        "QPushButton:hover { background-color: #e0e6e7;",
        "QPushButton:pressed { background-color: #c9d3d5;",
        "QPushButton:focus { border: 2px solid #1a5fb4; padding: 4px 15px;",
    };
    ASSERT_EQ(rules.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rules[i].toStdString(), expected[i].toStdString()) << "rule " << i + 1;
    }
}
