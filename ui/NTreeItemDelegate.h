#pragma once

#include <QStyledItemDelegate>

class NResultTree;

// Paints the rows as usual, and first tells the verdict cell the row's state
// so its text colour follows hover and selection like the other cells.
class NTreeItemDelegate : public QStyledItemDelegate {
  public:
    // tree is both the Qt parent and where the verdict cells are looked up.
    explicit NTreeItemDelegate(NResultTree* tree);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    NResultTree* const tree;
};
