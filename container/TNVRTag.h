#pragma once

#include "container/MkvPayload.h"

namespace nvr {

// The recorder tag (0x134E5652), a child of the Segment. Its texts are kept
// exactly as the recorder wrote them: no terminator, no decoding.
class TNVRTag : public MkvElement {
  public:
    TNVRTag() = default;
    explicit TNVRTag(const MkvElement& header) { copyHeader(header); }

    // Its own signature child is skipped here; the signature walk reads it.
    int32_t parse() override;

    uint32_t tagNumber1 = 0;
    uint32_t tagNumber2 = 0;
    ByteBuffer serialNumber;
    ByteBuffer startTime;
    ByteBuffer endTime;
    ByteBuffer finalSignature;  // the value the last cluster's signature must carry

    // Header offsets of the occurrences the fields above were taken from
    // (the last of each kind); -1 when absent. The signature walk checks
    // that they lie in the tag's signed bytes.
    int64_t serialNumberAt = -1;
    int64_t startTimeAt = -1;
    int64_t endTimeAt = -1;
    int64_t finalSignatureAt = -1;
};

}  // namespace nvr
