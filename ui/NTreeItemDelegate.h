#pragma once

#include <QColor>
#include <QStyle>
#include <QStyledItemDelegate>

// Paints the rows as usual, and the verdict cell as an icon meeting its word
// in the middle of the cell, the word coloured by the row's state like the
// other cells.
class NTreeItemDelegate : public QStyledItemDelegate {
  public:
    explicit NTreeItemDelegate(QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Tall enough for the verdict icon in every row (uniform heights).
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Hover wins over selection; a failure is red only at rest.
    static QColor verdictColor(int code, QStyle::State state);
};
