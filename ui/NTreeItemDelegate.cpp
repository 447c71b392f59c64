#include "ui/NTreeItemDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <algorithm>

#include "ui/ResultModel.h"

namespace {

QPixmap verdictIcon(bool success) {
    const QString path =
        success ? QStringLiteral(":/icons/success") : QStringLiteral(":/icons/failed");
    QPixmap icon;
    if (!QPixmapCache::find(path, &icon)) {
        icon.load(path);
        QPixmapCache::insert(path, icon);
    }
    return icon;
}

}  // namespace

NTreeItemDelegate::NTreeItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QColor NTreeItemDelegate::verdictColor(int code, QStyle::State state) {
    if (state & QStyle::State_MouseOver) {
        return QColor(QStringLiteral("#333333"));
    }
    if (state & QStyle::State_Selected) {
        return QColor(QStringLiteral("#fff"));
    }
    switch (code) {
        case 0:
            return QColor(QStringLiteral("#858585"));
        case -1:
            return QColor(QStringLiteral("#6d6d6d"));  // neither passed nor failed
        default:
            return QColor(QStringLiteral("#ff4d4d"));
    }
}

void NTreeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    if (index.column() != ResultModel::kResultColumn) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // Background, selection and hover as for any cell, without its text.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* const widget = option.widget;
    QStyle* const style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const int code = index.data(ResultModel::CodeRole).toInt();
    const QString word = index.data(Qt::DisplayRole).toString();
    // The icon ends at the middle, the word starts there.
    const QRect rect = option.rect;
    const int middle = rect.left() + rect.width() / 2;
    const QPixmap icon = verdictIcon(code == 0);
    const QSize iconSize =
        icon.size().scaled(rect.size().boundedTo(QSize(32, 32)), Qt::KeepAspectRatio);
    const QRect iconRect(middle - iconSize.width(),
                         rect.top() + (rect.height() - iconSize.height()) / 2, iconSize.width(),
                         iconSize.height());
    painter->save();
    // A file left unverified has no verdict to show an icon for.
    if (code != -1) {
        painter->drawPixmap(iconRect, icon);
    }
    painter->setPen(verdictColor(code, option.state));
    painter->setFont(option.font);
    painter->drawText(QRect(middle, rect.top(), rect.right() - middle, rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, word);
    painter->restore();
}

QSize NTreeItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    const QSize hint = QStyledItemDelegate::sizeHint(option, index);
    return {hint.width(), std::max(hint.height(), 34)};
}
