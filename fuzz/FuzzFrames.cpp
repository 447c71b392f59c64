// Fuzz target: the picture decoder over the input as file bytes in memory.
// Altered video is hostile input to a decoder: only a picture or the reason
// there is none may come out, within the limits; a crash, a hang, a
// sanitizer report or a broken invariant below is a finding.
//
// Clusters are wherever the Cluster ID appears (the walk is not what is
// tested here): the first and last verified, those between one failing run,
// so the filmstrip decodes up to six of them. Then the pictures from the
// first cluster on are decoded, up to 300 packets. Last, the whole input is
// indexed frame by frame and three of its frames are decoded exactly.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "video/Filmstrip.h"
#include "video/FrameIndexReader.h"
#include "video/FrameSeeker.h"

namespace {

constexpr size_t kMaxClusters = 64;

std::vector<int64_t> clusterStarts(const uint8_t* data, size_t size) {
    static const uint8_t id[4] = {0x1F, 0x43, 0xB6, 0x75};
    std::vector<int64_t> starts;
    const uint8_t* end = data + size;
    for (const uint8_t* at = data; starts.size() < kMaxClusters;) {
        at = std::search(at, end, id, id + 4);
        if (at == end) {
            break;
        }
        starts.push_back(at - data);
        ++at;
    }
    return starts;
}

RecordingEvidence evidenceOf(const std::vector<int64_t>& starts, int64_t size) {
    RecordingEvidence evidence;
    const auto count = static_cast<int64_t>(starts.size());
    for (int64_t i = 0; i < count; ++i) {
        ClusterEntry entry;
        entry.number = i + 1;
        entry.headerOffset = starts[static_cast<size_t>(i)];
        entry.size =
            (i + 1 < count ? starts[static_cast<size_t>(i + 1)] : size) - entry.headerOffset;
        entry.seconds = static_cast<double>(i);
        const bool verified = i == 0 || i == count - 1;
        entry.status = verified ? ClusterStatus::Verified : ClusterStatus::Mismatch;
        if (evidence.runs.empty() || evidence.runs.back().status != entry.status) {
            ClusterRun run;
            run.status = entry.status;
            run.firstCluster = entry.number;
            evidence.runs.push_back(run);
        }
        evidence.runs.back().lastCluster = entry.number;
        evidence.clusters.push_back(entry);
    }
    return evidence;
}

void checkPicture(const nvr::video::PictureResult& result, const nvr::video::DecodeLimits& limits) {
    FUZZ_CHECK(result.picture.has_value() == result.reason.empty());
    if (!result.picture) {
        return;
    }
    const nvr::video::Picture& p = *result.picture;
    FUZZ_CHECK(p.width > 0 && p.width <= limits.thumbnailWidth && p.height > 0);
    FUZZ_CHECK(p.sourceWidth >= p.width && p.sourceWidth <= limits.maxDimension);
    FUZZ_CHECK(p.sourceHeight > 0 && p.sourceHeight <= limits.maxDimension);
    FUZZ_CHECK(int64_t{p.sourceWidth} * p.sourceHeight <= limits.maxPixels);
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    FUZZ_CHECK(p.png.size() > 8 && std::memcmp(p.png.data(), signature, 8) == 0);
}

void checkFrames(const nvr::video::ByteSource& source, const RecordingEvidence& evidence,
                 const nvr::video::DecodeLimits& limits) {
    nvr::video::IndexLimits indexLimits;
    indexLimits.timeBudget = limits.timeBudget;
    const nvr::FrameIndex index = nvr::video::readFrameIndex(source, evidence, indexLimits);
    FUZZ_CHECK(index.frames.size() <= nvr::FrameIndex::kMaxFrames);
    for (size_t n = 0; n < index.frames.size(); ++n) {
        FUZZ_CHECK(index.frames[n].frame == static_cast<int64_t>(n) + 1);
        FUZZ_CHECK(n == 0 || index.frames[n - 1].pts <= index.frames[n].pts);
    }
    nvr::video::SeekOptions options;
    options.limits = limits;
    options.cachedFrames = 4;
    nvr::video::FrameSeeker seeker(source, index, nvr::video::headOf(evidence, source.size()),
                                   options);
    const auto last = static_cast<int64_t>(index.frames.size());
    for (const int64_t n : {last, int64_t{1}, last / 2, last / 2 - 1}) {
        const nvr::video::FramePicture shown = seeker.picture(n);
        FUZZ_CHECK(shown.picture.has_value() == shown.reason.empty());
        if (shown.picture) {
            const nvr::video::RgbPicture& p = *shown.picture;
            FUZZ_CHECK(shown.pts == index.find(n)->pts);
            FUZZ_CHECK(p.width > 0 && p.height > 0 && p.width <= limits.maxDimension);
            FUZZ_CHECK(p.rgb.size() == static_cast<size_t>(p.width) * p.height * 3);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const nvr::video::MemorySource source(data, size);
    nvr::video::FilmstripOptions options;
    options.limits.timeBudget = std::chrono::milliseconds(3000);
    options.limits.maxPackets = 2000;
    const std::vector<int64_t> starts = clusterStarts(data, size);
    if (starts.empty()) {
        const auto all = static_cast<int64_t>(size);
        checkPicture(nvr::video::firstPicture(source, {0, all}, {0, all}, options.limits),
                     options.limits);
        checkFrames(source, RecordingEvidence{}, options.limits);
        return 0;
    }
    const RecordingEvidence evidence = evidenceOf(starts, static_cast<int64_t>(size));
    const std::vector<nvr::video::FilmstripFrame> frames =
        nvr::video::filmstrip(source, evidence, options);
    FUZZ_CHECK(frames.size() <= static_cast<size_t>(options.maxFailing) + 2);
    for (const nvr::video::FilmstripFrame& frame : frames) {
        FUZZ_CHECK(frame.verified == (frame.standing == ClusterStanding::Proven));
        checkPicture(frame.picture, options.limits);
    }

    nvr::video::DecodeLimits limits = options.limits;
    limits.maxPackets = 300;
    const nvr::video::DecodeSummary summary = nvr::video::countPictures(
        source, {0, starts.front()}, {starts.front(), static_cast<int64_t>(size)}, limits);
    FUZZ_CHECK(summary.pictures >= 0);
    FUZZ_CHECK(summary.pictures == 0 || (summary.width > 0 && summary.height > 0));
    checkFrames(source, evidence, limits);
    return 0;
}
