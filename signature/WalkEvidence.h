#pragma once

#include <string>
#include <vector>

#include "signature/ClusterMap.h"
#include "signature/RecordingEvidence.h"

namespace nvr {

// What one signature walk learned beyond its result: the raw material of
// RecordingEvidence, filled by the walk and read once it has ended.
struct WalkEvidence {
    TagStatement tag;
    int tagResult = VERIFY_OK;
    // For an RSA tag signature that did not verify: whether the built-in
    // public key still opens it (the bytes changed) or not (another key).
    std::optional<bool> tagOpensWithBuiltInKey;
    int64_t tagSignedBytes = 0;  // the tag's own signed range

    bool walked = false;  // the segment's children were scanned
    ClusterMap map;
    int64_t firstFailure = 0;  // number of the first failing cluster; 0 none
    bool chainEndMatches = false;
    int64_t finalValueAt = 0;  // last cluster whose value is the tag's final value
    std::string walkError;     // the exception that ended the walk
    int64_t errorCluster = 0;  // the cluster it ended in; 0 between clusters

    int64_t fileSize = -1;  // of the byte source
    int64_t segmentHeaderOffset = -1;
    int64_t segmentDataOffset = -1;
    int64_t segmentEnd = -1;
    int64_t signedBytes = 0;
    int64_t verifiedBytes = 0;
    std::vector<CoveragePart> unsignedParts;
};

}  // namespace nvr
