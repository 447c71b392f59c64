#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "container/MkvPayload.h"
#include "signature/RecordingEvidence.h"
#include "signature/SignatureWalk.h"

namespace nvr {

// Signature element kinds the walk checks; any other kind is passed over.
constexpr uint32_t kKindRSA = 1;
constexpr uint32_t kKindHMAC = 2;

// Where an element's signature lies: the first signature element of kind 1
// or 2 among its children, and the bytes it covers.
struct SignatureSite {
    VerifyWalkResult status = VerifyWalkResult::Unsigned;  // Ok once a usable one is found
    uint32_t kind = 0;
    uint32_t digestType = 0;
    ByteBuffer value;
    int64_t signedStart = -1;
    int64_t end = 0;    // end of the element
    std::string issue;  // why it is unsigned
    // The cluster's Timecode, when one stands before the signature element.
    std::optional<uint64_t> timecode;
    // The first SimpleBlock or BlockGroup before the signature element that
    // counts, -1 none: frames that a player shows and no signature covers.
    int64_t unsignedFrameAt = -1;
};

// One cluster as the scan met it, with the key the chain gives it: the value
// stored in the last cluster before it that had a usable signature (empty
// for the first: the built-in key).
struct ScannedCluster {
    ClusterEntry entry;  // status still NotChecked, or Unsigned
    SignatureSite site;
    ByteBuffer key;
    int64_t keyFrom = 0;  // number of the cluster whose value is the key; 0 built-in
};

}  // namespace nvr
