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
};

}  // namespace nvr
