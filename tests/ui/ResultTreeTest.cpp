// The result list: verdict cells and their colours, counts, removal, texts
// and tool tips.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

#include "ui/NImageLabel.h"
#include "ui/NResultTree.h"
#include "ui/NTreeItem.h"

namespace {

VerifyResult makeResult(const char* name, int code, const char* reason = "") {
    VerifyResult result(name);
    result.code = code;
    if (code == 3) {
        result.errorText = reason;
    } else {
        result.detail = reason;
    }
    return result;
}

class ResultTreeTest : public ::testing::Test {
  protected:
    NTreeItem* row(const QString& name) const {
        const auto found = tree.findItems(name, Qt::MatchExactly, 0);
        return found.size() == 1 ? dynamic_cast<NTreeItem*>(found.front()) : nullptr;
    }
    NImageLabel* cell(const QString& name) const {
        return dynamic_cast<NImageLabel*>(tree.itemWidget(row(name), NResultTree::kResultColumn));
    }
    // Paints the verdict cell as the view would in this state; returns the
    // colour its text took.
    QColor paintedColour(const QString& name, QStyle::State state) {
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 180, 32);
        option.state = state;
        QImage canvas(option.rect.size(), QImage::Format_ARGB32);
        QPainter painter(&canvas);
        const int index = tree.indexOfTopLevelItem(row(name));
        tree.itemDelegate()->paint(&painter, option,
                                   tree.model()->index(index, NResultTree::kResultColumn));
        return cell(name)->textColor();
    }

    NResultTree tree;
};

}  // namespace

TEST_F(ResultTreeTest, OnlyCodeZeroSucceedsAndCellsFollowRowState) {
    for (const int code : {-1, 0, 1, 2, 3}) {
        tree.addResult(makeResult(QByteArray::number(code).constData(), code));
    }
    EXPECT_EQ(tree.successCount, 1);
    EXPECT_EQ(tree.failedCount, 4);

    const QImage successIcon = QPixmap(QStringLiteral(":/icons/success")).toImage();
    const QImage failedIcon = QPixmap(QStringLiteral(":/icons/failed")).toImage();
    ASSERT_FALSE(successIcon.isNull() || failedIcon.isNull());
    for (const int code : {-1, 0, 1, 2, 3}) {
        const QString name = QString::number(code);
        SCOPED_TRACE(code);
        ASSERT_NE(cell(name), nullptr);
        EXPECT_EQ(cell(name)->text(), code == 0 ? "Success" : "Failed");
        EXPECT_TRUE(cell(name)->pixmap().toImage() == (code == 0 ? successIcon : failedIcon));
        EXPECT_EQ(paintedColour(name, QStyle::State_Selected), QColor("#fff"));
        EXPECT_EQ(paintedColour(name, QStyle::State_Selected | QStyle::State_MouseOver),
                  QColor("#333333"));
        EXPECT_EQ(paintedColour(name, QStyle::State_Enabled),
                  QColor(code == 0 ? "#858585" : "#ff4d4d"));
    }
}

TEST_F(ResultTreeTest, CellsShowTheRecordAsUtf8) {
    VerifyResult result(nullptr);
    result.code = 0;
    result.fileName = QByteArray("clip.mkv\0hidden", 15);
    result.serialNumber = QByteArray(
        "SN\0"
        "1",
        4);
    result.startTime = "2023-04-01 08:00:00";
    tree.addResult(result);
    tree.addResult(makeResult("vid\xc3\xa9o_\xe6\x97\xa5\xe6\x9c\xac.mkv", 3));

    // The name stops at its zero byte, the other columns keep theirs.
    ASSERT_NE(row("clip.mkv"), nullptr);
    EXPECT_EQ(row("clip.mkv")->text(3), QString::fromUtf8("SN\0"
                                                          "1",
                                                          4));
    EXPECT_EQ(row("clip.mkv")->text(1), "2023-04-01 08:00:00");
    EXPECT_EQ(row("clip.mkv")->result.fileName.size(), 15);
    EXPECT_NE(row(QString::fromUtf8(u8"vidéo_日本.mkv")), nullptr);
}

TEST_F(ResultTreeTest, ToolTipTellsWhyOnEveryCell) {
    tree.addResult(makeResult("mismatch", 1, "cluster 3 at offset 4096: digest differs"));
    tree.addResult(makeResult("unsigned", 2, "no recorder tag"));
    tree.addResult(makeResult("broken", 3, "not an valid file @ 0"));
    tree.addResult(makeResult("good", 0));
    const std::pair<const char*, const char*> expected[] = {
        {"mismatch", "cluster 3 at offset 4096: digest differs"},
        {"unsigned", "no recorder tag"},
        {"broken", "not an valid file @ 0"},
        {"good", "every cluster"},
    };
    for (const auto& [name, reason] : expected) {
        const QString tip = row(name)->toolTip(0);
        EXPECT_TRUE(tip.contains(reason)) << name << ": " << tip.toStdString();
        for (int column = 1; column < tree.columnCount(); ++column) {
            EXPECT_EQ(row(name)->toolTip(column), tip) << name << " column " << column;
        }
        // The verdict cell covers its column, so it must tell the same.
        EXPECT_EQ(cell(name)->toolTip(), tip) << name;
    }
    EXPECT_NE(NTreeItem::describe(makeResult("a", 1)), NTreeItem::describe(makeResult("a", 2)));
}

TEST_F(ResultTreeTest, RemovingSelectedRowsKeepsCountsTrue) {
    for (const char* name : {"s1", "s2", "s3"}) {
        tree.addResult(makeResult(name, 0));
    }
    tree.addResult(makeResult("f1", 1));
    tree.addResult(makeResult("f2", 3));

    tree.removeSelected();
    EXPECT_EQ(tree.topLevelItemCount(), 5);

    const QPointer<NImageLabel> removedCell = cell("f1");
    row("f1")->setSelected(true);
    row("s2")->setSelected(true);
    tree.removeSelected();
    EXPECT_EQ(tree.successCount, 2);
    EXPECT_EQ(tree.failedCount, 1);
    EXPECT_EQ(row("f1"), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(removedCell.isNull());

    // Sorting moves the survivors' cells with their rows.
    tree.sortByColumn(0, Qt::AscendingOrder);
    EXPECT_EQ(cell("f2")->text(), "Failed");
    EXPECT_EQ(cell("s3")->text(), "Success");

    tree.selectAll();
    tree.removeSelected();
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_EQ(tree.successCount, 0);
    EXPECT_EQ(tree.failedCount, 0);
}

TEST_F(ResultTreeTest, ColumnsKeepTheirMinimumAndResultFillsTheRest) {
    tree.resize(1024, 400);
    tree.show();
    QHeaderView* const header = tree.header();
    ASSERT_EQ(header->count(), 5);
    EXPECT_EQ(tree.headerItem()->text(3), "Serial Number");
    EXPECT_EQ(header->sectionSize(0), 180);
    EXPECT_EQ(header->sectionSize(4), tree.viewport()->width() - 4 * 180);
    header->resizeSection(1, 60);
    EXPECT_EQ(header->sectionSize(1), 180);
}
