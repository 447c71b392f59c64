#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

// The player's picture: scaled to fit, or at a zoom of 100% and more with
// every pixel a square (no smoothing), panned by dragging. A picture that
// is not proven carries a banner naming its standing, drawn over the
// picture itself, so that no screenshot or crop of it shows it as proven.
class FrameView : public QWidget {
    Q_OBJECT

  public:
    explicit FrameView(QWidget* parent = nullptr);

    // `banner` empty for a proven picture; `colour` is the standing's.
    void setPicture(const QImage& image, const QString& banner, const QColor& colour);
    // Text in place of a picture (opening, or why there is none).
    void setMessage(const QString& message);
    QString bannerText() const { return banner; }
    bool hasPicture() const { return !image.isNull(); }

    // 0: fit; otherwise the zoom factor, 1 for 100%.
    int zoom() const { return factor; }
    void setZoom(int zoom);
    void zoomIn();

    QSize sizeHint() const override { return {640, 360}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QRect pictureRect() const;
    QFont bannerFont(int width) const;
    int bannerHeight() const;  // 0 without a banner

    QImage image;
    QString banner;
    QColor colour;
    QString message;
    int factor = 0;
    QPoint pan;        // offset of the picture's centre from the view's
    QPoint dragFrom;
};
