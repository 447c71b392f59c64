#include "ui/NResultTree.h"

#include <QHeaderView>
#include <QPainter>
#include <algorithm>
#include <array>

#include "ui/NTreeItemDelegate.h"
#include "ui/ResultText.h"

namespace {

// Long enough to gather a burst into one insertion, short enough to feel
// immediate.
constexpr int kFlushDelayMs = 40;
// While results keep coming, the list is laid out and repainted a few
// times a second, not 25: each costs the GUI thread as much as hundreds of
// results, and the rows of a long run scroll past unread anyway.
constexpr int kBurstDelayMs = 250;
constexpr int kBurstGapMs = 300;

// Columns are sized to what they show, measured on a sample of each batch
// (measuring every row of a long run would cost more than listing it); a
// column the user has resized keeps its width.
constexpr int kMinimumColumn = 90;
constexpr int kMeasuredRows = 64;
constexpr int kCellPadding = 16;
// The names take at most this share of the list's width, so the verdict
// and its reason stay in view.
constexpr double kNameShare = 0.4;
constexpr int kWidestTagColumn = 260;

}  // namespace

NResultTree::NResultTree(QWidget* parent) : QTreeView(parent), results(new ResultModel(this)) {
    setModel(results);
    QHeaderView* const columns = header();
    columns->setDefaultSectionSize(150);
    columns->setMinimumSectionSize(kMinimumColumn);
    columns->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    columns->setStretchLastSection(true);
    // Unsorted until a header is clicked: rows then stand in queued order.
    columns->setSortIndicator(-1, Qt::AscendingOrder);

    // Keyboard use needs focus and free selection (Shift, Ctrl, Ctrl+A).
    setFocusPolicy(Qt::StrongFocus);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(true);
    setRootIsDecorated(false);
    setUniformRowHeights(true);  // no per-row measuring, whatever the count
    setAllColumnsShowFocus(true);
    setItemDelegate(new NTreeItemDelegate(this));
    // Not "verified": a row may have failed, or be sealed with no origin proven.
    setAccessibleName(tr("Recordings and their verdicts"));

    flushTimer.setSingleShot(true);
    flushTimer.setInterval(kFlushDelayMs);
    connect(&flushTimer, &QTimer::timeout, this, &NResultTree::flush);
    connect(columns, &QHeaderView::sectionResized, this, [this](int column) {
        if (!sizingColumns && column >= 0 && column < ResultModel::kReasonColumn) {
            userSized[static_cast<size_t>(column)] = true;
        }
    });
    fitColumns(0);
}

void NResultTree::fitColumns(int firstRow) {
    const QFontMetrics metrics(font());
    const int viewWidth = std::max(viewport()->width(), 600);
    const int tagWidth =
        metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00 (not verified)")) +
        kCellPadding;
    QHeaderView* const columns = header();
    sizingColumns = true;
    for (int column = 0; column < ResultModel::kReasonColumn; ++column) {
        if (userSized[static_cast<size_t>(column)]) {
            continue;
        }
        int wanted = metrics.horizontalAdvance(
                         results->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()) +
                     kCellPadding;
        if (column == ResultModel::kResultColumn) {
            // The icon ends at the middle and the word starts there.
            int word = 0;
            for (const VerdictCode code :
                 {VerdictCode::NotVerified, VerdictCode::Success, VerdictCode::Mismatch,
                  VerdictCode::Unsigned, VerdictCode::Error}) {
                word = std::max(word, metrics.horizontalAdvance(verdictWord(code)));
            }
            wanted = std::max(wanted, 2 * std::max(32, word) + kCellPadding);
        }
        const int last = std::min(results->rowCount(), firstRow + kMeasuredRows);
        for (int row = firstRow; row < last && column != ResultModel::kResultColumn; ++row) {
            const QString text = results->measuredText(row, column);
            wanted = std::max(wanted, metrics.horizontalAdvance(text) + kCellPadding);
        }
        // A stated time marked as not verified fits whole, in any font.
        const int widest = column == 0 ? static_cast<int>(viewWidth * kNameShare)
                                       : std::max(kWidestTagColumn, tagWidth);
        wanted = std::clamp(wanted, kMinimumColumn, std::max(kMinimumColumn, widest));
        if (wanted > columns->sectionSize(column) || results->rowCount() == 0) {
            columns->resizeSection(column, wanted);
        }
    }
    sizingColumns = false;
}

void NResultTree::addResult(const VerifyResult& result) {
    pending.push_back(result);
    if (!flushTimer.isActive()) {
        const bool burst = sinceFlush.isValid() && sinceFlush.elapsed() < kBurstGapMs;
        flushTimer.start(burst ? kBurstDelayMs : kFlushDelayMs);
    }
}

void NResultTree::flush() {
    flushTimer.stop();
    if (pending.empty()) {
        return;
    }
    sinceFlush.start();
    std::vector<VerifyResult> batch;
    batch.swap(pending);
    const int first = results->rowCount();
    results->append(batch);
    // A sorted list puts the batch anywhere; its first rows then stand for it.
    fitColumns(results->isSorted() ? 0 : first);
    emit rowsChanged();
}

std::vector<int> NResultTree::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

ResultModel::Taken NResultTree::removeSelected() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        return {};
    }
    ResultModel::Taken taken = results->takeRows(rows);
    emit rowsChanged();
    return taken;
}

void NResultTree::putBack(ResultModel::Taken taken) {
    if (taken.empty()) {
        return;
    }
    flush();  // every listed row counts in the places
    const std::vector<int> places = results->putBack(std::move(taken));
    QItemSelection restored;
    for (const int row : places) {
        restored.select(results->index(row, 0), results->index(row, results->columnCount() - 1));
    }
    selectionModel()->select(restored, QItemSelectionModel::ClearAndSelect);
    selectionModel()->setCurrentIndex(results->index(places.front(), 0),
                                      QItemSelectionModel::NoUpdate);
    scrollTo(results->index(places.front(), 0));
    emit rowsChanged();
}

void NResultTree::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (results->rowCount() > 0 || !pending.empty()) {
        return;
    }
    // The empty list tells how to begin, in the rows' own colour.
    QPainter painter(viewport());
    painter.setPen(QColor(QStringLiteral("#595959")));
    painter.drawText(viewport()->rect().adjusted(20, 20, -20, -20),
                     Qt::AlignCenter | Qt::TextWordWrap,
                     tr("No recordings yet.\n\nAdd files (Ctrl+O) or a folder (Ctrl+Shift+O),\n"
                        "or drop recordings or folders here."));
}

#include "moc_NResultTree.cpp"
