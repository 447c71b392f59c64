#pragma once

#include "container/tMkvList.h"

namespace nvr {

// A cue's track position (0xB7).
struct MkvTrackPos : MkvElement {
    MkvTrackPos() = default;
    explicit MkvTrackPos(const MkvElement& header) { copyHeader(header); }

    int32_t parse() override;

    uint32_t cueTrack = 0;
    int64_t cueClusterPosition = 0;
};

// A cue point (0xBB): its time and every track position, in file order.
struct MkvCuePoint : tMkvList<MkvTrackPos> {
    MkvCuePoint() = default;
    explicit MkvCuePoint(const MkvElement& header) : tMkvList(header) {}

    int32_t parse() override;

    int64_t cueTime = 0;
};

// The cue index (0x1C53BB6B).
class MkvCue : public tMkvList<MkvCuePoint> {
  public:
    MkvCue() = default;
    explicit MkvCue(const MkvElement& header) : tMkvList(header) {}

    int32_t parse() override;
};

}  // namespace nvr
