#pragma once

#include <string>
#include <utility>
#include <vector>

#include "signature/ClusterMap.h"
#include "signature/FrameScan.h"
#include "signature/KeyStore.h"
#include "signature/RecordingEvidence.h"

namespace nvr {

// What one signature walk learned beyond its result: the raw material of
// RecordingEvidence, filled by the walk and read once it has ended.
struct WalkEvidence {
    TagStatement tag;
    VerifyWalkResult tagResult = VerifyWalkResult::Ok;
    // For an RSA tag signature that did not verify: whether the built-in
    // public key still opens it (the bytes changed) or not (another key).
    std::optional<bool> tagOpensWithBuiltInKey;
    int64_t tagSignedBytes = 0;  // the tag's own signed range
    // With a key store: the trusted key the tag's signature held under (its
    // secret left out), where the recording's stated time lies for it, and
    // how many keys of the tag's kind were tried.
    std::optional<TrustedKey> tagKey;
    KeyValidity tagKeyValidity = KeyValidity::Inside;
    bool storeInUse = false;
    size_t keysTried = 0;
    // Clusters that hold under a trusted key other than the one the chain
    // follows: one recording has one signer.
    struct KeyChange {
        int64_t cluster = 0;
        std::string keyId;
        std::string label;
    };
    std::vector<KeyChange> keyChanges;

    bool walked = false;  // the segment's children were scanned
    ClusterMap map;
    int64_t firstFailure = 0;  // number of the first failing cluster; 0 none
    bool chainEndMatches = false;
    int64_t finalValueAt = 0;  // last cluster whose value is the tag's final value
    std::string walkError;     // the exception that ended the walk
    int64_t errorCluster = 0;  // the cluster it ended in; 0 between clusters
    // The first failing cluster that the key-trial budget left without its
    // farther values; 0 none.
    int64_t trialsStoppedAt = 0;

    int64_t fileSize = -1;  // of the byte source
    int64_t segmentHeaderOffset = -1;
    int64_t segmentDataOffset = -1;
    int64_t segmentEnd = -1;
    int64_t signedBytes = 0;
    int64_t verifiedBytes = 0;
    std::vector<CoveragePart> unsignedParts;

    // The verdict fell on a tag field outside the tag's signed bytes.
    bool failedAtTag = false;
    // The first cluster with a frame before its signature element; 0 none.
    int64_t firstUnsignedFrames = 0;
    int64_t unsignedFrameOffset = -1;
    // Frames a player reads outside every proven cluster; searched for only
    // where every signature held, so any found decided the verdict.
    UnprovenFrames unprovenFrames;
    // Recorder tags besides the one read, by header offset.
    std::vector<int64_t> otherRecorderTags;
    // Clusters whose bytes are a copy of another cluster's: {copy, original},
    // by copy; the original is the one in its sealed place (ClusterCopies.h).
    std::vector<std::pair<int64_t, int64_t>> duplicates;
    // What the proof is rooted in; None when the tag does not hold or a
    // field it vouches for lies outside its signed bytes.
    ProofKey proofKey = ProofKey::None;
};

}  // namespace nvr
