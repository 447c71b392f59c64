// Exact-frame seeking on a 1920×1080 H.264 recording with B-frames, made
// here with FFmpeg's encoder and signed by the test recorder:
//   telvar_seek_bench [SECONDS]   (default 20 s of 25 frames/s, a keyframe every 2 s)
// prints the index time, seek times to random frames (median and worst),
// one-frame steps forward and back, playback's decode rate and the peak
// memory.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "EncodedClip.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"
#include "video/FrameIndexReader.h"
#include "video/FrameSeeker.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Spread {
    double median = 0;
    double worst = 0;
};

// CPU time of the whole process, all threads: what a seek costs whatever
// else the machine runs.
double cpuMillis() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

Spread spreadOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(4, std::atoi(argv[1])) : 20;
    ClipShape shape;
    shape.width = 1920;
    shape.height = 1080;
    shape.fps = 25;
    shape.frames = seconds * shape.fps;
    shape.keyInterval = 50;
    shape.bFrames = 2;
    shape.clusterMillis = 1000;
    const TempFile clip;
    const TempFile file;
    auto start = Clock::now();
    writeEncodedClip(clip.path(), shape);
    recorder::RecorderOptions options;
    options.sourceClip = clip.path();
    options.endTime = "2026-12-01 08:00:" + std::to_string(std::min(seconds, 59));
    recorder::writeRecording(file.path(), options);
    std::printf("recording: %d frames of 1920x1080, B-frames, made in %.0f ms\n", shape.frames,
                millisSince(start));

    ExamineOptions examine;
    examine.keepClusters = true;
    examine.fileHash = false;
    start = Clock::now();
    const RecordingEvidence evidence = examineRecording(file.path(), examine);
    const double verifyMs = millisSince(start);
    const nvr::video::FileSource source(file.path());
    start = Clock::now();
    const nvr::FrameIndex index = nvr::video::readFrameIndex(source, evidence);
    std::printf("verification %.0f ms, index %.0f ms (%zu frames, %.0f MiB)%s\n", verifyMs,
                millisSince(start), index.frames.size(),
                static_cast<double>(source.size()) / (1 << 20), index.error.c_str());

    nvr::video::FrameSeeker seeker(source, index, nvr::video::headOf(evidence, source.size()));
    const auto last = static_cast<int64_t>(index.frames.size());
    // The first picture also starts the decoder and its threads: apart.
    start = Clock::now();
    seeker.picture(last / 2);
    std::printf("first picture (decoder start): %.0f ms\n", millisSince(start));
    std::mt19937 random(29);
    std::vector<double> seeks;
    std::vector<double> seekCpu;
    for (int i = 0; i < 40; ++i) {
        const int64_t n = std::uniform_int_distribution<int64_t>(1, last)(random);
        const double cpuStart = cpuMillis();
        start = Clock::now();
        if (!seeker.picture(n).picture) {
            std::fprintf(stderr, "frame %lld: no picture\n", static_cast<long long>(n));
            return 1;
        }
        seeks.push_back(millisSince(start));
        seekCpu.push_back(cpuMillis() - cpuStart);
        if (std::getenv("SEEK_BENCH_EACH") != nullptr) {
            std::fprintf(stderr, "frame %lld: %.0f ms\n", static_cast<long long>(n), seeks.back());
        }
    }
    std::vector<double> forward;
    std::vector<double> back;
    for (int64_t n = last / 3; n < last / 3 + 30; ++n) {
        start = Clock::now();
        seeker.picture(n + 1);
        forward.push_back(millisSince(start));
    }
    for (int64_t n = last / 3 + 30; n > last / 3 + 10; --n) {
        start = Clock::now();
        seeker.picture(n - 1);
        back.push_back(millisSince(start));
    }
    start = Clock::now();
    for (int64_t n = 1; n <= std::min<int64_t>(last, 250); ++n) {
        if (!seeker.picture(n).picture || (n > 1 && seeker.lastCost().newStart)) {
            std::fprintf(stderr, "playback: frame %lld needed a new start\n",
                         static_cast<long long>(n));
            return 1;
        }
    }
    const double playFps = static_cast<double>(std::min<int64_t>(last, 250)) /
                           (millisSince(start) / 1000.0);
    const Spread seek = spreadOf(seeks);
    const Spread cpu = spreadOf(seekCpu);
    const Spread step = spreadOf(forward);
    const Spread stepBack = spreadOf(back);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("seek to a random frame: median %.0f ms, worst %.0f ms (40 seeks)\n", seek.median,
                seek.worst);
    std::printf("  CPU time of a seek, all threads: median %.0f ms, worst %.0f ms\n", cpu.median,
                cpu.worst);
    std::printf("step forward one frame: median %.1f ms, worst %.1f ms\n", step.median,
                step.worst);
    std::printf("step back one frame: median %.1f ms, worst %.1f ms\n", stepBack.median,
                stepBack.worst);
    std::printf("play from the start (decode and convert to RGB): %.0f frames/s\n", playFps);
    std::printf("peak memory: %ld MiB\n", usage.ru_maxrss / 1024);
    return 0;
}
