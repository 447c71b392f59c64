#include "ui/PlayerWorker.h"

#include <algorithm>
#include <memory>

#include "signature/Sha256.h"
#include "ui/ResultText.h"
#include "verification/PathBytes.h"
#include "video/RecordingFrames.h"

namespace {

using Clock = std::chrono::steady_clock;

// Frames whose pts gives no time play at this rate.
constexpr double kFallbackSeconds = 1.0 / 25;
// Pictures sent but not yet taken by the window, at most, in playback.
constexpr int kMaxInFlight = 2;

}  // namespace

PlayerWorker::PlayerWorker(QString givenPath, QObject* parent)
    : QThread(parent), path(std::move(givenPath)) {}

PlayerWorker::~PlayerWorker() {
    {
        // Under the lock, so that the wake cannot fall between the loop's
        // test and its wait.
        const std::lock_guard<std::mutex> lock(mutex);
        abort = true;
    }
    wake.notify_all();
    wait();
}

void PlayerWorker::show(int64_t frame) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        wanted = frame;
        playFrom = frame;
        playStart = Clock::now();
    }
    wake.notify_all();
}

void PlayerWorker::play(int64_t from) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        playFrom = from;
        playStart = Clock::now();
        isPlaying = true;
    }
    wake.notify_all();
}

void PlayerWorker::pause() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        isPlaying = false;
    }
    wake.notify_all();
}

void PlayerWorker::exportStill(int64_t frame, const QString& pngPath) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stillWanted = std::make_pair(frame, pngPath);
    }
    wake.notify_all();
}

int64_t PlayerWorker::frameDue(Clock::time_point now, Clock::time_point& next) const {
    const nvr::FrameIndex& index = *openedIndex;
    const nvr::FrameEntry* origin = index.find(playFrom);
    const double base = origin ? index.secondsOf(*origin).value_or(0.0) : 0.0;
    const auto secondsOf = [&](const nvr::FrameEntry& entry) {
        const std::optional<double> seconds = index.secondsOf(entry);
        return seconds ? *seconds - base
                       : static_cast<double>(entry.frame - playFrom) * kFallbackSeconds;
    };
    const double elapsed = std::chrono::duration<double>(now - playStart).count();
    // The last frame whose time has come: those before it are dropped.
    int64_t due = playFrom;
    const auto first = index.frames.begin() + (playFrom - 1);
    const auto after = std::upper_bound(
        first, index.frames.end(), elapsed,
        [&](double at, const nvr::FrameEntry& entry) { return at < secondsOf(entry); });
    if (after != first) {
        due = (after - 1)->frame;
    }
    if (after != index.frames.end()) {
        next = playStart + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(secondsOf(*after)));
    } else {
        next = now;
    }
    return due;
}

void PlayerWorker::run() {
    recording = std::make_unique<RecordingFrames>(pathBytes(path).toStdString(), true, &abort);
    openedEvidence = recording->evidence();
    openedIndex = recording->index();
    if (abort) {
        return;
    }
    emit opened();
    const int64_t count = static_cast<int64_t>(openedIndex->frames.size());
    std::unique_lock<std::mutex> lock(mutex);
    while (!abort) {
        if (stillWanted) {
            const auto [frame, pngPath] = *stillWanted;
            stillWanted.reset();
            lock.unlock();
            writeStill(frame, pngPath);
            lock.lock();
        } else if (wanted) {
            const int64_t frame = std::clamp<int64_t>(*wanted, 1, std::max<int64_t>(1, count));
            wanted.reset();
            lock.unlock();
            decodeAndSend(frame);
            lock.lock();
        } else if (isPlaying && count > 0) {
            Clock::time_point next;
            const Clock::time_point now = Clock::now();
            playFrom = std::clamp<int64_t>(playFrom, 1, count);
            const int64_t due = frameDue(now, next);
            if (due != shown && inFlight.load() < kMaxInFlight) {
                lock.unlock();
                decodeAndSend(due);
                lock.lock();
            } else if (due == count && due == shown) {
                isPlaying = false;
                emit playbackStopped();
            } else {
                wake.wait_until(lock, std::max(next, now + std::chrono::milliseconds(2)));
            }
        } else {
            wake.wait(lock);
        }
    }
}

void PlayerWorker::decodeAndSend(int64_t frame) {
    RecordingFrames::Image image = recording->picture(frame);
    QImage picture;
    const size_t row = static_cast<size_t>(std::max(image.width, 0)) * 3;
    if (image.reason.empty() && image.width > 0 && image.height > 0 &&
        image.rgb.size() >= row * static_cast<size_t>(image.height)) {
        // The decoded rows themselves, owned by the image from here on: a
        // copy of each 1080p picture cost more than its conversion.
        auto rows = std::make_unique<std::vector<uint8_t>>(std::move(image.rgb));
        picture = QImage(
            rows->data(), image.width, image.height, static_cast<int>(row), QImage::Format_RGB888,
            [](void* owned) { delete static_cast<std::vector<uint8_t>*>(owned); }, rows.get());
        if (!picture.isNull()) {
            rows.release();  // the image's cleanup deletes them
        }
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        shown = frame;
    }
    inFlight.fetch_add(1);
    emit pictureReady(frame, picture, textOf(image.reason));
}

void PlayerWorker::writeStill(int64_t frame, const QString& pngPath) {
    const StillFiles still = recording->still(frame);
    QString error = textOf(still.error);
    QString recordSha;
    if (error.isEmpty()) {
        std::string failed;
        std::string why;
        if (writeStillFiles(still, pathBytes(pngPath).toStdString(), failed, why)) {
            recordSha = textOf(sha256Hex(still.record.data(), still.record.size()));
        } else {
            error = pathFromBytes(QByteArray::fromStdString(failed)) + QStringLiteral(": ") + textOf(why);
        }
    }
    emit stillWritten(frame, pngPath, textOf(still.pngSha256), textOf(still.rgbSha256), recordSha,
                      error);
}

#include "moc_PlayerWorker.cpp"
