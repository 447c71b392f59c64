#pragma once

#include <QImage>
#include <QPainter>
#include <QString>
#include <QWidget>
#include <memory>

struct RecordingEvidence;

// The recording's time along a bar, as the exported report draws it: the
// clusters in the colours of their status, wall-clock ticks from the tag's
// stated start time, a legend, and a tool tip per span with its clusters,
// offsets, time and status. Hidden when the evidence has no runs.
class TimelineView : public QWidget {
    Q_OBJECT

  public:
    explicit TimelineView(QWidget* parent = nullptr);

    void setEvidence(std::shared_ptr<const RecordingEvidence> evidence);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The tool tip for the span at x (widget coordinates); empty off the bar.
    QString spanTextAt(int x) const;
    // The index in the evidence's runs of the span at x; -1 off the bar.
    int runIndexAt(int x) const;
    // The report's picture (without legend) at `scale` times its size.
    static QImage render(const RecordingEvidence& evidence, double scale = 1.0);
    // The same picture painted at 1:1 from the painter's origin, for a
    // device that keeps vectors (a PDF): sharper and smaller than an image.
    static void paintReport(QPainter& painter, const RecordingEvidence& evidence);
    // The report picture's size at 1:1.
    static QSize reportSize();

  signals:
    // A span was clicked: its index in the evidence's runs.
    void spanClicked(int run);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    std::shared_ptr<const RecordingEvidence> evidence;
};
