#include "ui/NResultTree.h"

#include <QHeaderView>
#include <QPainter>
#include <algorithm>

#include "ui/NTreeItemDelegate.h"

namespace {

// Long enough to gather a burst into one insertion, short enough to feel
// immediate.
constexpr int kFlushDelayMs = 40;
// While results keep coming, the list is laid out and repainted a few
// times a second, not 25: each costs the GUI thread as much as hundreds of
// results, and the rows of a long run scroll past unread anyway.
constexpr int kBurstDelayMs = 250;
constexpr int kBurstGapMs = 300;

}  // namespace

NResultTree::NResultTree(QWidget* parent) : QTreeView(parent), results(new ResultModel(this)) {
    setModel(results);
    QHeaderView* const columns = header();
    columns->setDefaultSectionSize(180);
    columns->setMinimumSectionSize(180);
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
    setAccessibleName(tr("Verified recordings"));

    flushTimer.setSingleShot(true);
    flushTimer.setInterval(kFlushDelayMs);
    connect(&flushTimer, &QTimer::timeout, this, &NResultTree::flush);
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
    results->append(batch);
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

void NResultTree::removeSelected() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        return;
    }
    results->removeRowList(rows);
    emit rowsChanged();
}

void NResultTree::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (results->rowCount() > 0 || !pending.empty()) {
        return;
    }
    // The empty list tells how to begin.
    QPainter painter(viewport());
    painter.setPen(QColor(QStringLiteral("#858585")));
    painter.drawText(viewport()->rect().adjusted(20, 20, -20, -20),
                     Qt::AlignCenter | Qt::TextWordWrap,
                     tr("No recordings yet.\n\nAdd files (Ctrl+O) or a folder (Ctrl+Shift+O),\n"
                        "or drop recordings or folders here."));
}
