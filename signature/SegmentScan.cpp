#include "signature/SegmentScan.h"

#include <cmath>

#include "container/MkvIds.h"
#include "signature/ValueId.h"
#include "signature/WalkState.h"

namespace nvr {

namespace {

// Matroska's default when Info names no TimecodeScale: one millisecond.
constexpr int64_t kDefaultTimecodeScale = 1000000;
// Recorder tags kept by offset: enough to tell there is more than one.
constexpr size_t kMaxTags = 64;

double secondsPerTickOf(const MkvSegment& segment) {
    for (const MkvSegmentInfo& info : segment.infos.items) {
        if (info.timecodeScale > 0) {
            return static_cast<double>(info.timecodeScale) / 1e9;
        }
    }
    return static_cast<double>(kDefaultTimecodeScale) / 1e9;
}

const char* nameOf(int32_t id) {
    switch (id) {
        case ID_SEEK_HEAD:
            return "SeekHead";
        case ID_INFO:
            return "Info";
        case ID_TRACKS:
            return "Tracks";
        case ID_CUES:
            return "Cues";
        case ID_VOID:
            return "Void";
        case ID_TAGS:
            return "Tags";
        case ID_CHAPTERS:
            return "Chapters";
        case ID_ATTACHMENTS:
            return "Attachments";
        case ID_NVR_TAG:
            return "recorder tag";
        default:
            return "other elements";
    }
}

}  // namespace

SegmentScan::SegmentScan(WalkState& state_)
    : state(state_),
      at(state_.segment().dataOffset),
      segmentEnd(state_.segment().endOffset()),
      secondsPerTick(secondsPerTickOf(state_.segment())) {}

std::optional<double> SegmentScan::secondsOf(const std::optional<uint64_t>& timecode) const {
    if (!timecode) {
        return std::nullopt;
    }
    const double seconds = static_cast<double>(*timecode) * secondsPerTick;
    return std::isfinite(seconds) ? std::optional<double>(seconds) : std::nullopt;
}

void SegmentScan::tally(int32_t id, int64_t bytes) {
    const char* const name = nameOf(id);
    for (CoveragePart& part : others) {
        if (part.name == name) {
            part.bytes = addOffsets(part.bytes, bytes);
            ++part.count;
            return;
        }
    }
    others.push_back(CoveragePart{name, bytes, 1});
}

std::optional<ScannedCluster> SegmentScan::next() {
    while (at < segmentEnd) {
        const MkvElement child(state.source(), at);
        const int64_t next = child.endOffset();
        if (child.id != ID_CLUSTER) {
            if (child.id == ID_NVR_TAG && tags.size() < kMaxTags) {
                tags.push_back(child.headerOffset);
            }
            tally(child.id, next - child.headerOffset);
            at = next;
            continue;
        }
        ScannedCluster cluster;
        cluster.site = state.findSignature(child);
        ClusterEntry& entry = cluster.entry;
        entry.number = ++count;
        entry.headerOffset = child.headerOffset;
        entry.size = next - child.headerOffset;
        entry.seconds = secondsOf(cluster.site.timecode);
        cluster.key = chainKey;
        cluster.keyFrom = chainKeyFrom;
        entry.keyFrom = chainKeyFrom;
        entry.unsignedFrames = cluster.site.unsignedFrameAt >= 0;
        if (cluster.site.status == VerifyWalkResult::Ok) {
            entry.valueId = valueIdOf(cluster.site.value);
            entry.kind = static_cast<uint8_t>(cluster.site.kind);
            entry.digestType = static_cast<uint8_t>(cluster.site.digestType);
            entry.signedStart = cluster.site.signedStart;
            entry.signedEnd = cluster.site.end;
            // A cluster without a usable value stands outside the chain: the
            // next one is keyed by the last value there was.
            chainKey = cluster.site.value;
            chainKeyFrom = entry.number;
        } else {
            entry.status = ClusterStatus::Unsigned;
        }
        at = next;
        return cluster;
    }
    return std::nullopt;
}

}  // namespace nvr
