#pragma once

#include "container/tMkvList.h"

namespace nvr {

// One seek entry (0x4DBB): a target element's ID and its position relative
// to the segment's first payload byte.
struct MkvSeek : MkvElement {
    MkvSeek() = default;
    explicit MkvSeek(const MkvElement& header) { copyHeader(header); }

    int32_t parse() override;

    uint32_t seekId = 0;
    int64_t seekPosition = 0;
};

// The seek index (0x114D9B74). Keeps entries with a non-zero ID and a
// position above 0.
class MkvSeekHead : public tMkvList<MkvSeek> {
  public:
    MkvSeekHead() = default;
    explicit MkvSeekHead(const MkvElement& header) : tMkvList(header) {}

    int32_t parse() override;
};

}  // namespace nvr
