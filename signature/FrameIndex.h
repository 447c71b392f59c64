#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"

// Every frame of a recording's video track with how far the signatures
// prove the picture it shows. Neither Qt nor FFmpeg: the video layer
// demuxes the packets, this places them in the walk's cluster map. A frame
// is a packet, named by its rank in pts order; its picture also rests on
// the packets decoded before it since its keyframe, so it is proven only
// when that whole chain is (docs/what-a-verdict-proves.md).
namespace nvr {

// One packet of the video track as the demuxer read it; given in file order.
struct DemuxedPacket {
    int64_t pts = 0;
    int64_t offset = -1;  // byte position, as the demuxer reports it
    int64_t size = 0;
    bool keyframe = false;
    std::array<uint8_t, 32> sha256{};  // of the packet's bytes
};

struct TimeBase {
    int64_t numerator = 1;
    int64_t denominator = 1000;
};

// "1/1000".
std::string timeBaseText(TimeBase base);

struct FrameEntry {
    int64_t frame = 0;        // rank in pts order, from 1
    int64_t decodeOrder = 0;  // rank in file order, from 1
    int64_t pts = 0;
    int64_t offset = -1;
    int64_t size = 0;
    bool keyframe = false;
    // The cluster of the map whose element holds the packet.
    std::optional<int64_t> cluster;
    int64_t clusterOffset = -1;  // that cluster's header, where a decoder may start reading
    // None: outside the signatures (in no cluster's signed bytes).
    std::optional<ClusterStanding> standing;
    // The frame whose packet gave `standing`, when it is not this one's.
    std::optional<int64_t> dependsOn;
    std::array<uint8_t, 32> packetSha256{};
};

struct FrameIndex {
    // A hostile file of tiny packets must not grow the index without bound:
    // past this many the index stops and says so.
    static constexpr size_t kMaxFrames = size_t{1} << 21;

    TimeBase timeBase;
    std::string tagStart;  // the tag's start time as stated, for statedTime
    std::vector<FrameEntry> frames;  // in pts order: frames[n - 1] is frame n
    std::string error;               // why the index stops early; empty when whole

    const FrameEntry* find(int64_t frame) const;
    // The pts in seconds, as stated by the file; none when out of range.
    std::optional<double> secondsOf(const FrameEntry& entry) const;
    // The tag's start plus the frame's time, "YYYY-MM-DD hh:mm:ss.mmm", as
    // stated; empty when either does not read as a time.
    std::string statedTime(const FrameEntry& entry) const;
    // The keyframe, in file order at or before `frame`'s packet, from
    // which decoding gives it: the one before that for a frame shown
    // before its own keyframe. Returns a frame number; none without one.
    std::optional<int64_t> decodeStart(int64_t frame) const;

    // By file order, filled by indexFrames: decodeOrder - 1 gives frame - 1.
    std::vector<int64_t> byDecodeOrder;
};

// "outside-signatures" for none, else clusterStandingCode.
const char* frameStandingCode(const std::optional<ClusterStanding>& standing);

// The index of `packets` (file order) in `evidence`'s cluster map, which must
// have been kept (ExamineOptions::keepClusters). Packets past kMaxFrames are
// dropped with `error` set.
FrameIndex indexFrames(std::vector<DemuxedPacket> packets, TimeBase base,
                       const RecordingEvidence& evidence);

}  // namespace nvr
