#pragma once

#include <cstdint>

#include "support/TestRecorder.h"

// Frames a player reads that a recording's proof does not cover, added to a
// recording the test recorder wrote: the forgeries behind the finding
// unproven-frames, shared by the verdict's tests and the demuxer's check.
namespace recorder {

enum class FrameForgery {
    ClustersAppended,    // copies of its first three clusters after the Segment's declared end
    SecondSegment,       // the whole Segment of a second recording after the first
    BlockGroupAppended,  // a cluster holding one BlockGroup after the end
    UnknownSizeCluster,  // a cluster of unknown size with two SimpleBlocks after the end
    HiddenInVoid,        // a cluster inside a Void of the Segment, where only a resync looks
};

struct ForgedFrames {
    int64_t firstCluster = -1;  // header offset of the first cluster added
    int64_t clusters = 0;
    int64_t frames = 0;
};

// The recording a forgery starts from: `options` with room for it.
RecorderOptions forgeryBase(FrameForgery forgery, RecorderOptions options);
// Adds the forgery's frames to the file `written` (made from forgeryBase).
ForgedFrames forgeFrames(FrameForgery forgery, const Recording& written,
                         const RecorderOptions& options);

}  // namespace recorder
