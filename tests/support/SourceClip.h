#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/RecorderCrypto.h"

// The parts of an ordinary Matroska clip that a recording with real video
// borrows: its EBML header, Info and Tracks as they are, and each Cluster's
// Timecode and blocks. Everything else (SeekHead, Cues, Tags, CRC-32, Void)
// is left behind: it names offsets the recording does not keep.
namespace recorder {

struct ClipCluster {
    uint64_t timecode = 0;
    Bytes blocks;               // every child but Timecode, CRC-32, Position and PrevSize
    uint64_t firstFrameAt = 0;  // first block's frame bytes, from the start of `blocks`
    uint64_t firstFrameSize = 0;
};

struct SourceClip {
    Bytes ebmlHeader;  // whole elements, header included
    Bytes info;
    Bytes tracks;
    std::vector<ClipCluster> clusters;
};

// Throws std::runtime_error for a file that cannot be read or is not laid
// out as expected (known-size elements, a Timecode in every Cluster).
SourceClip readSourceClip(const std::string& path);

}  // namespace recorder
