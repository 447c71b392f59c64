#include "ui/NResultTree.h"

#include <memory>

#include <QHeaderView>
#include <QPixmap>

#include "ui/NImageLabel.h"
#include "ui/NTreeItem.h"
#include "ui/NTreeItemDelegate.h"

namespace {

// The verdict cell's look; the text colours match the row's style sheet
// colours except for a failed row's normal red.
struct Verdict {
    const char* icon;
    const char* text;
    const char* normalColor;
};

const Verdict kSuccess{":/icons/success", QT_TR_NOOP("Success"), "#858585"};
const Verdict kFailed{":/icons/failed", QT_TR_NOOP("Failed"), "#ff4d4d"};
const char* const kHoverColor = "#333333";
const char* const kSelectedColor = "#fff";

}  // namespace

NResultTree::NResultTree(QWidget* parent) : QTreeWidget(parent) {
    // Plain header texts: setHeaderLabels also fixes the column count at five.
    setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Start Time"),
                     QStringLiteral("End Time"), QStringLiteral("Serial Number"),
                     QStringLiteral("Result")});
    QHeaderView* const columns = header();
    columns->setDefaultSectionSize(180);
    columns->setMinimumSectionSize(180);
    columns->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    columns->setStretchLastSection(true);

    setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSortingEnabled(true);
    setRootIsDecorated(false);
    setItemDelegate(new NTreeItemDelegate(this));
}

void NResultTree::addResult(const VerifyResult& result) {
    auto* const row = new NTreeItem(result, this);  // owned by the tree

    const bool success = result.code == 0;
    const Verdict& verdict = success ? kSuccess : kFailed;
    auto* const cell = new NImageLabel(
        QPixmap(QString::fromLatin1(verdict.icon)), Qt::AlignRight | Qt::AlignVCenter,
        tr(verdict.text), Qt::AlignLeft | Qt::AlignVCenter, QColor(verdict.normalColor),
        QColor(kHoverColor), QColor(kSelectedColor));
    // The cell widget covers its column; it shows the row's reason too.
    cell->setToolTip(row->toolTip(kResultColumn));
    if (success) {
        ++successCount;
    } else {
        ++failedCount;
    }
    setItemWidget(row, kResultColumn, cell);  // the tree takes ownership
}

void NResultTree::removeSelected() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    for (QTreeWidgetItem* const item : selected) {
        if (const auto* const row = dynamic_cast<const NTreeItem*>(item)) {
            if (row->result.code != 0) {
                --failedCount;
            } else {
                --successCount;
            }
        }
        // Taken rows are ours; the view drops the row's cell widget itself.
        const std::unique_ptr<QTreeWidgetItem> taken(takeTopLevelItem(indexOfTopLevelItem(item)));
    }
}
