#pragma once

#include <QImage>
#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "signature/FrameIndex.h"

class RecordingFrames;
struct RecordingEvidence;

// The player's own thread: it opens the recording (verified again, indexed),
// decodes the frames asked for and plays at the recording's speed, skipping
// frames when decoding falls behind. The window only asks and is told: it
// never waits on a decoder. The latest request wins; one still at a time.
class PlayerWorker : public QThread {
    Q_OBJECT

  public:
    explicit PlayerWorker(QString path, QObject* parent = nullptr);
    // Stops at the next step (an examination under way stops early).
    ~PlayerWorker() override;

    // Set once before opened() is emitted; null until then.
    std::shared_ptr<const RecordingEvidence> evidence() const { return openedEvidence; }
    std::shared_ptr<const nvr::FrameIndex> index() const { return openedIndex; }

    // Shows `frame`; during playback, playback goes on from there.
    void show(int64_t frame);
    void play(int64_t from);
    void pause();
    bool playing() const { return isPlaying.load(); }
    // Writes the still of `frame` at `pngPath` with its record beside it.
    void exportStill(int64_t frame, const QString& pngPath);
    // The window has taken a picture (pictureReady): playback does not run
    // ahead of what it can show.
    void pictureTaken() { inFlight.fetch_sub(1); }

  signals:
    void opened();
    void pictureReady(qint64 frame, const QImage& image, const QString& reason);
    void playbackStopped();
    // Empty `error` on success; `recordSha256` is of the JSON record file.
    void stillWritten(qint64 frame, const QString& pngPath, const QString& pngSha256,
                      const QString& rgbSha256, const QString& recordSha256,
                      const QString& error);

  protected:
    void run() override;

  private:
    void decodeAndSend(int64_t frame);
    void writeStill(int64_t frame, const QString& pngPath);
    // The frame due now in playback, or the time the next one is due.
    int64_t frameDue(std::chrono::steady_clock::time_point now,
                     std::chrono::steady_clock::time_point& next) const;

    const QString path;
    std::unique_ptr<RecordingFrames> recording;
    std::shared_ptr<const RecordingEvidence> openedEvidence;
    std::shared_ptr<const nvr::FrameIndex> openedIndex;

    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<bool> abort{false};
    std::atomic<bool> isPlaying{false};
    std::atomic<int> inFlight{0};
    // Guarded by mutex.
    std::optional<int64_t> wanted;
    std::optional<std::pair<int64_t, QString>> stillWanted;
    int64_t playFrom = 1;  // playback's origin: this frame at playStart
    std::chrono::steady_clock::time_point playStart;
    int64_t shown = 0;     // the last frame sent
};
