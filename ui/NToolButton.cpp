#include "ui/NToolButton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPen>

namespace {
const QColor kHoverBackground(231, 183, 14, 255);
}  // namespace

NToolButton::NToolButton(const QString& text, const QIcon& normal, const QIcon& hover,
                         QWidget* parent)
    : QToolButton(parent), hoverIcon(hover), normalIcon(normal) {
    setAutoFillBackground(true);
    setAutoRaise(true);
    setText(text);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIcon(normalIcon);
    // Wider than the 38-pixel images so the text under them has room.
    setIconSize(QSize(50, 40));
    // Reachable by Tab; the focus mark is painted below.
    setFocusPolicy(Qt::StrongFocus);
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
    if (hasFocus()) {
        QPainter painter(this);
        QPen pen(QColor(231, 183, 14));
        pen.setWidth(2);
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

void NToolButton::keyPressEvent(QKeyEvent* event) {
    // Space presses a button already; Enter and Return do too here.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        animateClick();
        event->accept();
        return;
    }
    QToolButton::keyPressEvent(event);
}

void NToolButton::setBackground(const QBrush& brush) {
    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Window, brush);
    setPalette(pal);
    update();
}

#include "moc_NToolButton.cpp"
