#pragma once

#include <QImage>
#include <QPainter>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

struct Finding;
struct RecordingEvidence;

// The recording's time along a bar, as the exported report draws it: the
// clusters in the colours of their status, wall-clock ticks from the tag's
// stated start time, a legend, and a tool tip per span with its clusters,
// offsets, time and status. Hidden when the evidence has no runs. From the
// keyboard: Tab reaches it, the arrow keys (and Home, End) step from span to
// span, Enter shows the span's text, as the hover does, and its picture;
// Shift+Enter asks for the player there.
class TimelineView : public QWidget {
    Q_OBJECT

  public:
    explicit TimelineView(QWidget* parent = nullptr);

    void setEvidence(std::shared_ptr<const RecordingEvidence> evidence);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The tool tip for the span at x (widget coordinates); empty off the bar.
    // Where a span is split, y in its lower half names the run beneath.
    QString spanTextAt(int x, int y = -1) const;
    // The same for the evidence's run `index`; empty for no such run.
    QString spanText(int index) const;
    // The run the keyboard stands on; -1 before the view has had focus.
    int currentRun() const { return current; }
    // The first cluster of that run; none before the view has had focus.
    std::optional<int64_t> currentCluster() const;
    // The index in the evidence's runs of the span at x (and y, as for
    // spanTextAt); -1 off the bar.
    int runIndexAt(int x, int y = -1) const;
    // The report's picture (without legend) at `scale` times its size.
    static QImage render(const RecordingEvidence& evidence, double scale = 1.0);
    // The same picture painted at 1:1 from the painter's origin, for a
    // device that keeps vectors (a PDF): sharper and smaller than an image.
    static void paintReport(QPainter& painter, const RecordingEvidence& evidence);
    // The player's play-head, `fraction` (0 to 1) along the span of run
    // `run`; none for a run below 0.
    void setPlayHead(int run, double fraction);
    // The report picture's size at 1:1.
    static QSize reportSize();

  signals:
    // A span was clicked: its index in the evidence's runs.
    void spanClicked(int run);
    // A press or a drag on the bar: the run under it and how far along its
    // span; Enter on a span: its start.
    void positionPicked(int run, double fraction);
    // Shift+Enter on a span: the player, at its first cluster.
    void playRequested(qint64 cluster);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

  private:
    // Runs the bar draws: those with an extent.
    int runCount() const;
    void setCurrent(int index);
    // Where the run is drawn, widened to be seen when it is a sliver.
    QRect spanRect(int index) const;
    // The key-changed finding whose cluster starts run `index`, or none: the
    // cluster where a second trusted key takes over is marked on the bar.
    const Finding* keyChangeIn(int index) const;
    // Emits positionPicked for a point on the bar.
    void pick(int x, int y);

    std::shared_ptr<const RecordingEvidence> evidence;
    int current = -1;
    int playRun = -1;
    double playFraction = 0.0;
};
