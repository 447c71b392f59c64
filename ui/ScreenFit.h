#pragma once

class QWidget;

// Keeps a top-level window on the screen it opens on: no larger than the
// screen's available area (the panels left out) and moved inside it. A
// window whose width the screen cannot hold has its buttons out of reach.
void fitToScreen(QWidget& window);
