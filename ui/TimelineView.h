#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>

struct RecordingEvidence;

// The recording's time along a bar: each run of clusters painted in the
// colour of its status, wall-clock ticks from the tag's stated start time
// below, and a tool tip per span with its clusters, offsets, time and
// status. Empty when the evidence has no runs.
class TimelineView : public QWidget {
    Q_OBJECT

  public:
    explicit TimelineView(QWidget* parent = nullptr);

    void setEvidence(std::shared_ptr<const RecordingEvidence> evidence);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The tool tip for the span at x (widget coordinates); empty off the bar.
    QString spanTextAt(int x) const;
    // The picture alone, for reports.
    static QImage render(const RecordingEvidence& evidence, const QSize& size);

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    std::shared_ptr<const RecordingEvidence> evidence;
};
