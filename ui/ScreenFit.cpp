#include "ui/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

void fitToScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    // The frame the window manager adds is outside geometry(); what it
    // adds now is kept out of the room too.
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    const QSize room = available.size() - frame.expandedTo(QSize(0, 0));
    const QSize size = window.size().boundedTo(room).expandedTo(window.minimumSize());
    if (size != window.size()) {
        window.resize(size);
    }
    QRect placed = window.frameGeometry();
    placed.moveRight(std::min(placed.right(), available.right()));
    placed.moveBottom(std::min(placed.bottom(), available.bottom()));
    placed.moveLeft(std::max(placed.left(), available.left()));
    placed.moveTop(std::max(placed.top(), available.top()));
    if (placed.topLeft() != window.frameGeometry().topLeft()) {
        window.move(placed.topLeft());
    }
}
