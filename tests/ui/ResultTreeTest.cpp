// The result list: verdict cells and their colours, counts, removal, texts,
// tool tips, repeated paths and a large burst of results.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <string>

#include "ui/NResultTree.h"
#include "ui/NTreeItemDelegate.h"

namespace {

VerifyResult makeResult(const char* name, int code, const char* reason = "") {
    RecordingEvidence evidence;
    evidence.verdict.code = static_cast<VerdictCode>(code);
    if (code == 3) {
        evidence.verdict.errorText = reason;
    } else {
        evidence.verdict.detail = reason;
    }
    return VerifyResult(name, std::move(evidence));
}

class ResultTreeTest : public ::testing::Test {
  protected:
    void add(const VerifyResult& result) {
        tree.addResult(result);
        tree.flush();
    }
    // The model row whose name cell reads `name`, or -1.
    int row(const QString& name) const {
        const QModelIndexList found =
            model().match(model().index(0, 0), Qt::DisplayRole, name, -1, Qt::MatchExactly);
        return found.size() == 1 ? found.front().row() : -1;
    }
    QString cell(const QString& name, int column, int role = Qt::DisplayRole) const {
        return model().index(row(name), column).data(role).toString();
    }
    void select(const QString& name) {
        tree.selectionModel()->select(model().index(row(name), 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    const ResultModel& model() const { return *tree.resultModel(); }

    NResultTree tree;
};

}  // namespace

TEST_F(ResultTreeTest, OnlyCodeZeroSucceedsAndCellsFollowRowState) {
    for (const int code : {-1, 0, 1, 2, 3}) {
        add(makeResult(QByteArray::number(code).constData(), code));
    }
    // A file a cancelled run left (-1) neither succeeded nor failed.
    EXPECT_EQ(tree.successCount(), 1);
    EXPECT_EQ(tree.failedCount(), 3);
    EXPECT_EQ(tree.notVerifiedCount(), 1);
    for (const int code : {-1, 0, 1, 2, 3}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(cell(QString::number(code), 4), code == 0    ? "Success"
                                                  : code == -1 ? "Not verified (cancelled)"
                                                               : "Failed");
        using S = QStyle;
        EXPECT_EQ(NTreeItemDelegate::verdictColor(code, S::State_Selected), QColor("#fff"));
        EXPECT_EQ(NTreeItemDelegate::verdictColor(code, S::State_Selected | S::State_MouseOver),
                  QColor("#333333"));
        EXPECT_EQ(NTreeItemDelegate::verdictColor(code, S::State_Enabled),
                  QColor(code == 0    ? "#858585"
                         : code == -1 ? "#6d6d6d"
                                      : "#ff4d4d"));
    }

    // The painted cell holds the verdict icon: its red shield for a failure.
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 180, 34);
    option.state = QStyle::State_Enabled;
    QImage canvas(option.rect.size(), QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    tree.itemDelegate()->paint(&painter, option, model().index(row("1"), 4));
    painter.end();
    const QColor shield = canvas.pixelColor(90 - 16, 26);
    EXPECT_GT(shield.red(), 150);
    EXPECT_LT(shield.green(), 130);
}

TEST_F(ResultTreeTest, CellsShowTheRecordAsUtf8) {
    RecordingEvidence evidence;
    evidence.verdict.code = VerdictCode::Success;
    evidence.verdict.serialNumber = std::string(
        "SN\0"
        "1",
        4);
    evidence.verdict.startTime = "2023-04-01 08:00:00";
    VerifyResult result(QByteArray("clip.mkv\0hidden", 15), std::move(evidence));
    add(result);
    add(makeResult("vid\xc3\xa9o_\xe6\x97\xa5\xe6\x9c\xac.mkv", 3));

    // The name stops at its zero byte; the other columns show theirs, as
    // every output shows a control character.
    ASSERT_GE(row("clip.mkv"), 0);
    EXPECT_EQ(cell("clip.mkv", 3), "SN\\u{0000}1");
    EXPECT_EQ(cell("clip.mkv", 1), "2023-04-01 08:00:00");
    EXPECT_GE(row(QString::fromUtf8(u8"vidéo_日本.mkv")), 0);
}

TEST_F(ResultTreeTest, ToolTipTellsWhyWhereAndWhenOnEveryCell) {
    VerifyResult mismatch = makeResult("mismatch", 1, "cluster 3 at offset 4096: digest differs");
    mismatch.path = QString::fromUtf8("/cases/\xE2\x80\xAEvkm.x");  // a direction override
    add(mismatch);
    add(makeResult("unsigned", 2, "no recorder tag"));
    add(makeResult("broken", 3, "not an valid file @ 0"));
    VerifyResult good = makeResult("good", 0);
    good.path = "/cases/42/good.mkv";
    good.verifiedAt = QDateTime(QDate(2026, 12, 8), QTime(9, 30, 0), Qt::UTC);
    add(good);
    const std::pair<const char*, const char*> expected[] = {
        {"mismatch", "cluster 3 at offset 4096: digest differs"},
        {"unsigned", "no recorder tag"},
        {"broken", "not an valid file @ 0"},
        {"good", "every cluster"},
    };
    for (const auto& [name, reason] : expected) {
        const QString tip = cell(name, 0, Qt::ToolTipRole);
        EXPECT_TRUE(tip.contains(reason)) << name << ": " << tip.toStdString();
        for (int column = 1; column < model().columnCount(); ++column) {
            EXPECT_EQ(cell(name, column, Qt::ToolTipRole), tip) << name << " column " << column;
        }
    }
    EXPECT_TRUE(cell("good", 4, Qt::ToolTipRole).contains("/cases/42/good.mkv"));
    EXPECT_TRUE(cell("good", 4, Qt::ToolTipRole).contains("2026-12-08 09:30:00 UTC"));
    EXPECT_NE(cell("mismatch", 0, Qt::ToolTipRole), cell("unsigned", 0, Qt::ToolTipRole));
    EXPECT_TRUE(cell("mismatch", 0, Qt::ToolTipRole).contains("/cases/\\u{202E}vkm.x"));
}

TEST_F(ResultTreeTest, SamePathVerifiedAgainIsMarked) {
    VerifyResult first = makeResult("a.mkv", 0);
    first.path = "/x/a.mkv";
    VerifyResult other = makeResult("a.mkv", 0);
    other.path = "/y/a.mkv";  // same name elsewhere: a different file
    add(first);
    add(other);
    add(first);
    EXPECT_EQ(model().rowCount(), 3);
    EXPECT_EQ(model().index(0, 0).data().toString(), "a.mkv (history, not counted)");
    EXPECT_EQ(model().index(1, 0).data().toString(), "a.mkv");
    EXPECT_EQ(model().index(2, 0).data().toString(), "a.mkv (verified again, #2)");
    EXPECT_TRUE(model().index(2, 0).data(Qt::ToolTipRole).toString().contains("2 times"));
    EXPECT_TRUE(model()
                    .index(0, 0)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .startsWith("Not counted: the row of this path's latest verification (#2)"));
}

// Each recording counts once, by its latest verification: one changed and
// one deleted since a run that passed both leave no success. A cancelled
// attempt after a verdict does not undo it, and removing the latest row
// lets the one before decide again.
TEST_F(ResultTreeTest, CountsGoByEachRecordingsLatestVerification) {
    const auto at = [](const char* path, int code) {
        VerifyResult result = makeResult(path, code);
        result.path = path;
        return result;
    };
    add(at("/c/changed.mkv", 0));
    add(at("/c/deleted.mkv", 0));
    add(at("/c/kept.mkv", 0));
    add(at("/c/changed.mkv", 1));
    add(at("/c/deleted.mkv", 3));
    add(at("/c/kept.mkv", -1));
    EXPECT_EQ(model().rowCount(), 6);
    EXPECT_EQ(tree.successCount(), 1);
    EXPECT_EQ(tree.failedCount(), 2);
    EXPECT_EQ(tree.notVerifiedCount(), 0);
    EXPECT_TRUE(model().isHistory(model().row(0)));
    EXPECT_FALSE(model().isHistory(model().row(2)));
    EXPECT_TRUE(model().isHistory(model().row(5)));

    select("/c/changed.mkv (verified again, #2)");
    tree.removeSelected();
    EXPECT_EQ(tree.successCount(), 2);
    EXPECT_EQ(tree.failedCount(), 1);
    EXPECT_EQ(model().index(0, 0).data().toString(), "/c/changed.mkv");
}

TEST_F(ResultTreeTest, RemovingSelectedRowsKeepsCountsTrue) {
    for (const char* name : {"s1", "s2", "s3"}) {
        add(makeResult(name, 0));
    }
    add(makeResult("f1", 1));
    add(makeResult("f2", 3));

    tree.removeSelected();
    EXPECT_EQ(model().rowCount(), 5);

    select("f1");
    select("s2");
    tree.removeSelected();
    EXPECT_EQ(tree.successCount(), 2);
    EXPECT_EQ(tree.failedCount(), 1);
    EXPECT_EQ(row("f1"), -1);

    // Sorting moves the selection with its rows.
    select("s3");
    tree.sortByColumn(0, Qt::DescendingOrder);
    EXPECT_EQ(model().index(0, 0).data().toString(), "s3");
    EXPECT_EQ(tree.selectedRows(), std::vector<int>{0});
    EXPECT_EQ(cell("f2", 4), "Failed");

    tree.selectAll();
    tree.removeSelected();
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_EQ(tree.successCount(), 0);
    EXPECT_EQ(tree.failedCount(), 0);
}

// Batches listed into a sorted list are merged into its order; the
// selection stays on its row.
TEST_F(ResultTreeTest, BatchesJoinASortedListInOrder) {
    add(makeResult("m", 0));
    select("m");
    tree.sortByColumn(0, Qt::DescendingOrder);
    for (const char* batch : {"dxa", "zbq", "ccc"}) {
        for (const char* name = batch; *name != '\0'; ++name) {
            tree.addResult(makeResult(std::string(1, *name).c_str(), 0));
        }
        tree.flush();
    }
    QString names;
    for (int row = 0; row < model().rowCount(); ++row) {
        names += model().index(row, 0).data().toString().left(1);
    }
    EXPECT_EQ(names, "zxqmdcccba");
    EXPECT_EQ(tree.selectedRows(), std::vector<int>{3});
}

TEST_F(ResultTreeTest, TenThousandResultsAreAllListedAndCounted) {
    for (int i = 0; i < 10000; ++i) {
        tree.addResult(makeResult(QByteArray::number(i).constData(), i % 10 == 3 ? 2 : 0));
    }
    tree.flush();
    EXPECT_EQ(model().rowCount(), 10000);
    EXPECT_EQ(tree.failedCount(), 1000);
    EXPECT_EQ(tree.successCount(), 9000);
    EXPECT_EQ(model().index(9999, 0).data().toString(), "9999") << "rows keep queued order";
}

TEST_F(ResultTreeTest, ColumnsShowWholeTextsAndReasonFillsTheRest) {
    // Wide enough for the long name at the larger default font of some
    // platforms (Qt 5's offscreen one).
    tree.resize(1280, 400);
    tree.show();
    QHeaderView* const header = tree.header();
    ASSERT_EQ(header->count(), 6);
    EXPECT_EQ(model().headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "Serial Number");
    EXPECT_EQ(model().headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), "Reason");
    const QString longName = "camera-07-north-entrance-2026-12-01-080000.mkv";
    RecordingEvidence evidence;
    evidence.verdict.code = VerdictCode::Mismatch;
    evidence.identity.size = 100;
    evidence.tag.present = true;
    evidence.tag.startTime = "2026-12-01 08:00:00";
    add(VerifyResult(longName.toUtf8(), std::move(evidence)));
    const QFontMetrics metrics(tree.font());
    EXPECT_GT(header->sectionSize(0), metrics.horizontalAdvance(longName));
    EXPECT_GT(header->sectionSize(1), metrics.horizontalAdvance(cell(longName, 1)));
    // The word starts at the middle of its cell; the longest is not cut.
    EXPECT_GE(header->sectionSize(4), 2 * metrics.horizontalAdvance("Not verified"));
    int used = 0;
    for (int column = 0; column < 5; ++column) {
        used += header->sectionSize(column);
    }
    EXPECT_EQ(header->sectionSize(5), tree.viewport()->width() - used);
    // A column the user narrows stays so, down to its minimum, as rows come.
    header->resizeSection(0, 10);
    EXPECT_GE(header->sectionSize(0), 90);
    add(makeResult(qPrintable(longName + "-2"), 0));
    EXPECT_LT(header->sectionSize(0), metrics.horizontalAdvance(longName));
}
