#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "signature/FrameIndex.h"

class FrameView;
class PlayerWorker;
class QLabel;
class TimelineView;
struct RecordingEvidence;

// A recording frame by frame, each picture with how far the signatures
// prove it: the heads-up line names the frame, its time as stated, its
// cluster and its standing in the words and colours of the evidence pane,
// and a picture that is not proven carries a banner saying so. The
// recording is verified again and indexed on the player's own thread
// (PlayerWorker), which also decodes and plays.
//
// Keys: Space play/pause; comma and period a frame back and on, with Shift
// a second; Home, End; N and P the next and previous change of standing;
// G a stated time; Ctrl+Shift+E a still with its record; +, 0 (fit), 1
// (100%) the zoom.
class PlayerWindow : public QDialog {
    Q_OBJECT

  public:
    // Starts at the first frame of `cluster` when given, else at frame 1.
    PlayerWindow(const QString& path, std::optional<int64_t> cluster, QWidget* parent = nullptr);
    ~PlayerWindow() override;

    bool isIndexed() const { return index != nullptr; }
    // The recording's frames; null until indexed.
    const nvr::FrameIndex* frameIndex() const { return index.get(); }
    // The frame asked for last, and the frame whose picture is shown.
    int64_t currentFrame() const { return requested; }
    int64_t shownFrame() const { return shown; }
    FrameView* picture() const { return view; }
    TimelineView* timeline() const { return bar; }
    QString headsUpText() const;
    QString statusText() const;

    void goTo(int64_t frame);
    void step(int64_t frames);
    void stepSeconds(int seconds);
    // The next (or previous) frame at which the standing changes.
    void nextChange(bool forward);
    // The first frame at or after a stated time, "hh:mm:ss[.mmm]" or with
    // its date "YYYY-MM-DD hh:mm:ss"; false when there is none.
    bool goToStatedTime(const QString& text);
    void togglePlay();
    bool isPlaying() const;
    void exportStill();

    // Where the still of a frame goes; when unset, a file dialog asks.
    std::function<QString(int64_t frame)> stillPath;
    // A still was written: for the case's custody log.
    std::function<void(const QString& pngPath, const QString& pngSha256,
                       const QString& rgbSha256, const QString& recordSha256)>
        stillRecorded;

  signals:
    void frameShown(qint64 frame);
    void stillFinished(const QString& error);

  private:
    void buildKeys();
    void opened();
    void pictureReady(qint64 frame, const QImage& image, const QString& reason);
    void stillWritten(qint64 frame, const QString& pngPath, const QString& pngSha256,
                      const QString& rgbSha256, const QString& recordSha256,
                      const QString& error);
    void updateHeadsUp(int64_t frame);
    void positionPicked(int run, double fraction);
    void askStatedTime();

    QString recordingPath;
    std::optional<int64_t> startCluster;
    std::unique_ptr<PlayerWorker> worker;
    std::shared_ptr<const RecordingEvidence> evidence;
    std::shared_ptr<const nvr::FrameIndex> index;
    // Per evidence run, its first and last frame: the play-head's place.
    std::vector<std::pair<int64_t, int64_t>> runFrames;
    std::vector<int> frameRun;  // per frame, its run or -1
    int64_t requested = 0;
    int64_t shown = 0;
    FrameView* view = nullptr;
    QLabel* headsUp = nullptr;
    QLabel* status = nullptr;
    TimelineView* bar = nullptr;
};
