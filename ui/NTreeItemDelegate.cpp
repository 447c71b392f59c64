#include "ui/NTreeItemDelegate.h"

#include "ui/NImageLabel.h"
#include "ui/NResultTree.h"

NTreeItemDelegate::NTreeItemDelegate(NResultTree* tree) : QStyledItemDelegate(tree), tree(tree) {}

void NTreeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    if (index.column() == NResultTree::kResultColumn) {
        QTreeWidgetItem* const row = tree->topLevelItem(index.row());
        auto* const cell =
            row != nullptr
                ? dynamic_cast<NImageLabel*>(tree->itemWidget(row, NResultTree::kResultColumn))
                : nullptr;
        if (cell != nullptr) {
            cell->updateTextColor(option.state);
        }
    }
    QStyledItemDelegate::paint(painter, option, index);
}
