// The player's playback and memory, and the frame index of a long recording:
//   telvar_player_bench make FILE SECONDS WIDTH HEIGHT
//       an H.264 recording with B-frames at 25 frames/s (a keyframe every
//       2 s, a cluster a second), encoded here with FFmpeg's encoder and
//       signed by the test recorder under its RSA key
//   telvar_player_bench play FILE [SECONDS]
//       the player window (offscreen) plays FILE from its first frame for
//       SECONDS (default 15): the frames shown and dropped against those
//       due, and the peak memory of the process
//   telvar_player_bench index FILE
//       the verification the player starts with (whole-file SHA-256
//       included) and then the frame index, each timed
// The recording is made by its own process, so the encoder's memory does
// not count as the player's (bench/player.sh runs all three).
#include <sys/resource.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "EncodedClip.h"
#include "signature/RecordingEvidence.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"
#include "ui/PlayerWindow.h"
#include "video/ByteSource.h"
#include "video/FrameIndexReader.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of the whole process, all threads: what playback costs
// whatever else the machine runs.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto s = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

long peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

int make(const std::string& path, int seconds, int width, int height) {
    ClipShape shape;
    shape.width = width;
    shape.height = height;
    shape.fps = 25;
    shape.frames = seconds * shape.fps;
    shape.keyInterval = 50;
    shape.bFrames = 2;
    shape.clusterMillis = 1000;
    const TempFile clip;
    const auto start = Clock::now();
    writeEncodedClip(clip.path(), shape);
    recorder::RecorderOptions options;
    options.sourceClip = clip.path();
    recorder::writeRecording(path, options);
    std::printf("recording: %d frames of %dx%d, B-frames, made in %.0f s\n", shape.frames, width,
                height, secondsSince(start));
    return 0;
}

int play(int argc, char** argv, const QString& path, int seconds) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    PlayerWindow player(path, std::nullopt);
    player.resize(1366, 768);
    player.show();
    const auto opening = Clock::now();
    while (player.shownFrame() != 1) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (secondsSince(opening) > 300) {
            std::fprintf(stderr, "the player did not show frame 1\n");
            return 1;
        }
    }
    const double openSeconds = secondsSince(opening);
    const nvr::FrameIndex& index = *player.frameIndex();
    int64_t shown = 0;
    int64_t last = 1;
    QObject::connect(&player, &PlayerWindow::frameShown, [&](qint64 frame) {
        if (frame > last) {
            ++shown;
            last = frame;
        }
    });
    const double cpuStart = cpuSeconds();
    const auto start = Clock::now();
    player.togglePlay();
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, [&] {
        player.togglePlay();
        app.quit();
    });
    QApplication::exec();
    const double elapsed = secondsSince(start);
    const double cpu = cpuSeconds() - cpuStart;
    // Due: every frame after the first whose time has come.
    const double origin = *index.secondsOf(index.frames.front());
    int64_t due = 0;
    for (const nvr::FrameEntry& entry : index.frames) {
        const std::optional<double> at = index.secondsOf(entry);
        if (entry.frame > 1 && at && *at - origin <= elapsed) {
            ++due;
        }
    }
    std::printf("opened (verified, indexed, first picture) in %.1f s; played %.1f s\n", openSeconds,
                elapsed);
    std::printf("frames due %lld, shown %lld, dropped %lld (%.1f%%): %.1f frames/s shown\n",
                static_cast<long long>(due), static_cast<long long>(shown),
                static_cast<long long>(due - shown),
                due > 0 ? 100.0 * static_cast<double>(due - shown) / static_cast<double>(due) : 0.0,
                static_cast<double>(shown) / elapsed);
    std::printf("CPU time while playing: %.1f ms per frame shown, %.2f of a core\n",
                shown > 0 ? 1000.0 * cpu / static_cast<double>(shown) : 0.0, cpu / elapsed);
    std::printf("peak memory of the player: %ld MiB\n", peakMiB());
    return 0;
}

int index(const std::string& path) {
    ExamineOptions examine;
    examine.keepClusters = true;
    examine.keepFile = true;
    examine.fileHash = true;
    examine.threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    auto start = Clock::now();
    const RecordingEvidence evidence = examineRecording(path, examine);
    const double verifySeconds = secondsSince(start);
    const nvr::video::FileSource source = nvr::video::FileSource::of(evidence);
    start = Clock::now();
    const nvr::FrameIndex frames = nvr::video::readFrameIndex(source, evidence);
    const double indexSeconds = secondsSince(start);
    const double last =
        frames.frames.empty() ? 0.0 : frames.secondsOf(frames.frames.back()).value_or(0.0);
    std::printf(
        "%zu frames, %.0f s, %.0f MiB, %lld clusters: verification %.2f s, index %.2f s%s\n",
        frames.frames.size(), last, static_cast<double>(source.size()) / (1 << 20),
        static_cast<long long>(evidence.clusters.size()), verifySeconds, indexSeconds,
        frames.error.empty() ? "" : (" (" + frames.error + ")").c_str());
    return evidence.verdict.code == VerdictCode::Success && frames.error.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "make" && argc == 6) {
        return make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    }
    if (mode == "play") {
        return play(argc, argv, QString::fromLocal8Bit(argv[2]),
                    argc > 3 ? std::max(1, std::atoi(argv[3])) : 15);
    }
    if (mode == "index") {
        return index(argv[2]);
    }
    std::fprintf(
        stderr,
        "usage: telvar_player_bench make FILE SECONDS WIDTH HEIGHT | play FILE [SECONDS] | "
        "index FILE\n");
    return 2;
}
