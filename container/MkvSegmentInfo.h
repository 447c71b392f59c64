#pragma once

#include "container/MkvPayload.h"

namespace nvr {

// Segment information (0x1549A966). No format defaults are applied: without
// a TimecodeScale child the scale stays 0.
class MkvSegmentInfo : public MkvElement {
  public:
    MkvSegmentInfo() = default;
    explicit MkvSegmentInfo(const MkvElement& header) { copyHeader(header); }

    int32_t parse() override;

    int64_t timecodeScale = 0;
    ByteBuffer muxingApp;
    ByteBuffer writingApp;
    ByteBuffer segmentUid;
    double duration = 0.0;
};

}  // namespace nvr
