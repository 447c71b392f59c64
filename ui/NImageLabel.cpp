#include "ui/NImageLabel.h"

#include <QHBoxLayout>

NImageLabel::NImageLabel(const QPixmap& pixmap, Qt::Alignment imageAlignment, const QString& text,
                         Qt::Alignment textAlignment, const QColor& normalColor,
                         const QColor& hoverColor, const QColor& selectedColor, QWidget* parent)
    : QWidget(parent),
      normalColor(normalColor),
      hoverColor(hoverColor),
      selectedColor(selectedColor) {
    auto* const layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Equal halves: the right-aligned icon meets the left-aligned text in the middle.
    layout->addWidget(&imageLabel);
    layout->addWidget(&textLabel);
    imageLabel.setPixmap(pixmap);
    imageLabel.setAlignment(imageAlignment);
    textLabel.setText(text);
    textLabel.setAlignment(textAlignment);
    // The delegate recolours at every paint; start in the normal colour so the
    // text never shows in the palette's default.
    updateTextColor(QStyle::State_None);
}

void NImageLabel::updateTextColor(QStyle::State state) {
    QColor color = normalColor;
    if (state & QStyle::State_MouseOver) {
        color = hoverColor;
    } else if (state & QStyle::State_Selected) {
        color = selectedColor;
    }
    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Text, QBrush(color));
    // A label draws with Text only inside a view (Base background); WindowText
    // keeps the colour right wherever the cell is shown.
    pal.setBrush(QPalette::All, QPalette::WindowText, QBrush(color));
    textLabel.setPalette(pal);
}

QColor NImageLabel::textColor() const {
    return textLabel.palette().color(textLabel.foregroundRole());
}

QPixmap NImageLabel::pixmap() const {
#if QT_VERSION >= QT_VERSION_CHECK(5, 15, 0)
    return imageLabel.pixmap(Qt::ReturnByValue);
#else
    const QPixmap* shown = imageLabel.pixmap();
    return shown != nullptr ? *shown : QPixmap();
#endif
}
