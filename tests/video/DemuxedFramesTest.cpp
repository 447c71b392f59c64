// What plays is what is proven, checked against a player: every packet
// FFmpeg's demuxer reads from a recording that is a Success lies inside the
// signed bytes of a cluster the JSON report calls proven; and where the
// demuxer reads packets from outside them, the file is not a Success.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DemoFiles.h"
#include "report/JsonReport.h"
#include "signature/RecordingEvidence.h"
#include "support/FrameForgeries.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

using recorder::RecorderOptions;

namespace {

struct Packet {
    int64_t pos = -1;
    int64_t size = 0;
};

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

// Every packet the demuxer reads, in order, with its byte position and size.
std::vector<Packet> demuxed(const std::string& path) {
    av_log_set_level(AV_LOG_QUIET);  // forged files make it complain, as it should
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) != 0) {
        ADD_FAILURE() << "FFmpeg cannot open " << path;
        return {};
    }
    const std::unique_ptr<AVFormatContext, InputCloser> input(opened);
    const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::vector<Packet> packets;
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        packets.push_back({packet->pos, packet->size});
        av_packet_unref(packet.get());
    }
    return packets;
}

// [signedStart, signedEnd) of the clusters the JSON report calls proven.
std::vector<std::pair<int64_t, int64_t>> provenRanges(const RecordingEvidence& evidence) {
    const nlohmann::json file = jsonFileObject(evidence, ReportContext(), true);
    std::vector<std::pair<int64_t, int64_t>> ranges;
    for (const nlohmann::json& cluster : file.at("clusters")) {
        if (cluster.at("proven").get<bool>()) {
            ranges.emplace_back(cluster.at("signedStart").get<int64_t>(),
                                cluster.at("signedEnd").get<int64_t>());
        }
    }
    return ranges;
}

RecordingEvidence examine(const std::string& path) {
    ExamineOptions options;
    options.keepClusters = true;
    options.fileHash = false;
    return examineRecording(path, options);
}

struct Demuxed {
    size_t packets = 0;
    size_t outside = 0;  // not inside the signed bytes of a proven cluster
};

Demuxed check(const std::string& path, const RecordingEvidence& evidence) {
    const auto ranges = provenRanges(evidence);
    Demuxed seen;
    for (const Packet& packet : demuxed(path)) {
        ++seen.packets;
        bool inside = false;
        for (const auto& [start, end] : ranges) {
            inside = inside || (packet.pos >= start && packet.pos + packet.size <= end);
        }
        seen.outside += inside ? 0 : 1;
    }
    return seen;
}

RecorderOptions plain(uint32_t tagKind) {
    RecorderOptions options;
    options.clusterCount = 5;
    options.endTime = "2026-12-01 08:00:05";
    options.tagSignature = {tagKind, 3};
    return options;
}

// The recorder's layouts that verify: keys, digests, sizes and gaps.
std::vector<RecorderOptions> variants() {
    std::vector<RecorderOptions> all = {plain(recorder::kKindRsa), plain(recorder::kKindHmac)};
    RecorderOptions digests = plain(recorder::kKindRsa);
    digests.firstCluster = {recorder::kKindHmac, 1};
    digests.laterClusters = {recorder::kKindHmac, 4};
    all.push_back(digests);
    RecorderOptions gaps = plain(recorder::kKindHmac);
    gaps.voidBeforeTag = 300;
    gaps.firstClusterAt = 4096;
    gaps.withoutTimecode = {2};
    all.push_back(gaps);
    RecorderOptions sized = plain(recorder::kKindRsa);
    sized.blocksPerCluster = 1;
    sized.clusterPayloadSize = 70000;
    all.push_back(sized);
    RecorderOptions clip = plain(recorder::kKindHmac);
    clip.sourceClip = std::string(TELVAR_TEST_DATA) + "/clock-h264-320x240.mkv";
    clip.endTime = "2026-12-01 08:01:00";
    all.push_back(clip);
    return all;
}

}  // namespace

TEST(DemuxedFrames, OfEverySuccessLieInProvenSignedBytes) {
    std::vector<std::string> paths;
    for (const char* name : {"authentic.mkv", "tampered.mkv", "unsigned.mkv"}) {
        paths.push_back(DemoFiles::get()[name].path);
    }
    std::vector<std::unique_ptr<TempFile>> files;
    for (const RecorderOptions& options : variants()) {
        files.push_back(std::make_unique<TempFile>());
        recorder::writeRecording(files.back()->path(), options);
        paths.push_back(files.back()->path());
    }
    int successes = 0;
    for (const std::string& path : paths) {
        const RecordingEvidence evidence = examine(path);
        if (evidence.verdict.code != VerdictCode::Success) {
            continue;
        }
        ++successes;
        const Demuxed seen = check(path, evidence);
        EXPECT_GT(seen.packets, 0u) << path;
        EXPECT_EQ(seen.outside, 0u) << path;
    }
    EXPECT_EQ(successes, 7);  // the authentic demo and every variant
}

// The forgeries are real: the demuxer plays frames from outside the proof,
// and the file is then no Success.
TEST(DemuxedFrames, FromOutsideTheProofAreNoSuccess) {
    for (const recorder::FrameForgery forgery :
         {recorder::FrameForgery::ClustersAppended, recorder::FrameForgery::SecondSegment,
          recorder::FrameForgery::BlockGroupAppended, recorder::FrameForgery::UnknownSizeCluster}) {
        const TempFile file;
        const RecorderOptions options = recorder::forgeryBase(forgery, plain(recorder::kKindRsa));
        const recorder::Recording written = recorder::writeRecording(file.path(), options);
        const recorder::ForgedFrames forged = recorder::forgeFrames(forgery, written, options);
        const RecordingEvidence evidence = examine(file.path());
        EXPECT_EQ(evidence.verdict.code, VerdictCode::Unsigned) << file.path();
        EXPECT_EQ(check(file.path(), evidence).outside, static_cast<size_t>(forged.frames))
            << static_cast<int>(forgery);
    }
}
