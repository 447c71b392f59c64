#include "ui/FrameView.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kMaxZoom = 16;

QPoint pointOf(const QMouseEvent* event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position().toPoint();
#else
    return event->pos();
#endif
}

}  // namespace

FrameView::FrameView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("Picture"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(160, 90);
}

void FrameView::setPicture(const QImage& picture, const QString& bannerText,
                           const QColor& standingColour) {
    image = picture;
    banner = bannerText;
    colour = standingColour;
    message.clear();
    setAccessibleDescription(banner);
    update();
}

void FrameView::setMessage(const QString& text) {
    image = QImage();
    banner.clear();
    message = text;
    setAccessibleDescription(text);
    update();
}

void FrameView::setZoom(int zoom) {
    factor = std::clamp(zoom, 0, kMaxZoom);
    if (factor == 0) {
        pan = QPoint();
    }
    update();
}

void FrameView::zoomIn() {
    setZoom(factor == 0 ? 1 : factor * 2);
}

QFont FrameView::bannerFont(int width) const {
    QFont font = this->font();
    font.setBold(true);
    // As large as reads well, and small enough that the whole standing shows.
    int size = std::clamp(height() / 24, 12, 22);
    font.setPixelSize(size);
    while (size > 9 && QFontMetrics(font).horizontalAdvance(banner) > width - 12) {
        font.setPixelSize(--size);
    }
    return font;
}

int FrameView::bannerHeight() const {
    return banner.isEmpty() ? 0 : QFontMetrics(bannerFont(width())).height() + 8;
}

QRect FrameView::pictureRect() const {
    if (image.isNull()) {
        return {};
    }
    // Fitted, the picture leaves room for the banner above it, so the
    // banner hides none of its pixels.
    const int band = bannerHeight();
    QSize size = image.size();
    if (factor == 0) {
        size.scale(this->size() - QSize(0, band), Qt::KeepAspectRatio);
    } else {
        size *= factor;
    }
    QRect shown(QPoint(), size);
    shown.moveCenter(rect().center() + pan + QPoint(0, band / 2));
    return shown;
}

void FrameView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(QStringLiteral("#202020")));
    if (image.isNull()) {
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                         message);
        return;
    }
    const QRect shown = pictureRect();
    // Scaled down to fit, smoothing reads better; at 100% and more each
    // pixel stays a square, as it was decoded.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, factor == 0);
    painter.drawImage(shown, image);
    if (banner.isEmpty()) {
        return;
    }
    // Just above the picture, or over its top when zoomed past the view,
    // with a frame in the standing's colour round both: a screenshot of
    // the picture takes the banner or the frame with it.
    const int bandHeight = bannerHeight();
    const QRect visible = shown.intersected(rect());
    const int top = std::max(0, visible.top() - bandHeight);
    const QRect band(visible.left(), top, visible.width(), bandHeight);
    const QFont font = bannerFont(band.width());
    painter.setFont(font);
    painter.fillRect(band, colour);
    painter.setPen(colour.lightness() > 150 ? Qt::black : Qt::white);
    painter.drawText(band.adjusted(6, 0, -6, 0), Qt::AlignCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(banner, Qt::ElideRight, band.width() - 12));
    QPen pen(colour);
    pen.setWidth(4);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(band.topLeft(), visible.bottomRight()).adjusted(2, 2, -2, -2));
}

void FrameView::mousePressEvent(QMouseEvent* event) {
    dragFrom = pointOf(event);
    QWidget::mousePressEvent(event);
}

void FrameView::mouseMoveEvent(QMouseEvent* event) {
    if (factor > 0 && (event->buttons() & Qt::LeftButton)) {
        pan += pointOf(event) - dragFrom;
        dragFrom = pointOf(event);
        update();
    }
    QWidget::mouseMoveEvent(event);
}

#include "moc_FrameView.cpp"
