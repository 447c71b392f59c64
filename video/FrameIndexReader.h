#pragma once

#include <chrono>

#include "signature/FrameIndex.h"
#include "video/ByteSource.h"

// Every packet of the first video track as FFmpeg's Matroska demuxer reads
// the whole file from its first byte, placed in the evidence's cluster map
// (nvr::indexFrames). Never part of a verdict.
namespace nvr::video {

struct IndexLimits {
    std::chrono::milliseconds timeBudget{600'000};
};

// The index; its `error` says why it stops early or is empty (no video
// track, a read error, the frame cap, the time).
FrameIndex readFrameIndex(const ByteSource& source, const RecordingEvidence& evidence,
                          const IndexLimits& limits = {});

// The file's head for decoding: from its start to the first cluster of the map.
ByteRange headOf(const RecordingEvidence& evidence, int64_t fileSize);

}  // namespace nvr::video
