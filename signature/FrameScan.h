#pragma once

#include <cstdint>
#include <vector>

#include "container/iReader.h"
#include "signature/ClusterMap.h"

namespace nvr {

// Where frames that no proven cluster covers stand, as seen from the
// recording's Segment (the first one, which the walk reads).
enum class FramePlace : uint8_t {
    BeforeSegment,  // before the Segment's header
    InSegment,      // inside its declared bytes
    AfterSegment,   // past its declared end
    OtherSegment,   // inside another Segment that follows it
};

// Clusters in one place holding frames outside the proof, in file order.
struct UnprovenFrameRun {
    FramePlace place = FramePlace::InSegment;
    int64_t segmentOffset = -1;  // OtherSegment: that Segment's header
    int64_t firstOffset = -1;    // header of the first such cluster
    int64_t lastOffset = -1;     // header of the last one
    int64_t clusters = 0;
    int64_t frames = 0;
};

struct UnprovenFrames {
    static constexpr size_t kMaxRuns = 16;

    std::vector<UnprovenFrameRun> runs;  // the first kMaxRuns places
    int64_t clusters = 0;                // in every place
    int64_t frames = 0;
    // The search spent its read budget here; what follows was not searched.
    int64_t stoppedAt = -1;

    bool found() const { return clusters > 0 || stoppedAt >= 0; }
};

// The frames (SimpleBlock or BlockGroup elements) a player can read from
// the file that do not lie whole inside the signed bytes of a proven
// cluster of `map`. A demuxer plays only frames that are children of a
// Cluster, and it finds clusters wherever their ID stands: by sizes from the
// Segment's start, past the Segment's declared end, in a further Segment,
// and, after damaged data, by searching the bytes for level-1 IDs. So every
// place the four bytes of the Cluster ID occur outside the proven signed
// ranges is read as a cluster would be, unknown sizes included, and its
// frames are checked. Inside a proven range the bytes are the recorder's
// own elements: a chance Cluster ID there is not followed, and a cluster
// read into one steps over it whole. Reads are capped by a
// ReadBudget of the file's size; when it runs out, stoppedAt says where.
UnprovenFrames findUnprovenFrames(iReader& source, const ClusterMap& map, int64_t segmentHeader,
                                  int64_t segmentEnd);

}  // namespace nvr
