#pragma once

#include <QColor>
#include <QLabel>
#include <QStyle>
#include <QWidget>

// The verdict cell: an icon next to a text whose colour follows the row's
// state (normal, hovered, selected), so the cell reads like the rest of its row.
class NImageLabel : public QWidget {
  public:
    NImageLabel(const QPixmap& pixmap, Qt::Alignment imageAlignment, const QString& text,
                Qt::Alignment textAlignment, const QColor& normalColor, const QColor& hoverColor,
                const QColor& selectedColor, QWidget* parent = nullptr);

    // Hover wins over selection.
    void updateTextColor(QStyle::State state);

    QString text() const { return textLabel.text(); }
    // The colour the text is drawn in now.
    QColor textColor() const;
    QPixmap pixmap() const;

  private:
    const QColor normalColor;
    const QColor hoverColor;
    const QColor selectedColor;
    QLabel imageLabel;
    QLabel textLabel;
};
