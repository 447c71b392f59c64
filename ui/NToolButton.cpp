#include "ui/NToolButton.h"

#include <QPainter>

namespace {
const QColor kHoverBackground(231, 183, 14, 255);
}  // namespace

NToolButton::NToolButton(const QString& text, const QIcon& normalIcon, const QIcon& hoverIcon,
                         QWidget* parent)
    : QToolButton(parent), hoverIcon(hoverIcon), normalIcon(normalIcon) {
    setAutoFillBackground(true);
    setAutoRaise(true);
    setText(text);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIcon(normalIcon);
    // Wider than the 38-pixel images so the text under them has room.
    setIconSize(QSize(50, 40));
}

NToolButton::~NToolButton() = default;

void NToolButton::enterEvent(NEnterEvent* event) {
    setIcon(hoverIcon);
    setBackground(QBrush(kHoverBackground));
    QToolButton::enterEvent(event);
}

void NToolButton::leaveEvent(QEvent* event) {
    setIcon(normalIcon);
    setBackground(QBrush(Qt::transparent));
    QToolButton::leaveEvent(event);
}

void NToolButton::paintEvent(QPaintEvent* event) {
    // The style sheet paints the button transparent; the hover colour lives in
    // the palette, so fill it first and let the style draw icon and text over it.
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().brush(QPalette::Window));
    }
    QToolButton::paintEvent(event);
}

void NToolButton::setBackground(const QBrush& brush) {
    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Window, brush);
    setPalette(pal);
    update();
}
