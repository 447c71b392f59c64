#pragma once

#include "container/MkvMediaSettings.h"
#include "container/MkvPayload.h"
#include "container/tMkvList.h"

namespace nvr {

// One track entry (0xAE). Format defaults (enabled, lacing) are not applied.
struct MkvTrackEntry : MkvElement {
    MkvTrackEntry() = default;
    explicit MkvTrackEntry(const MkvElement& header) { copyHeader(header); }

    int32_t parse() override;

    uint32_t trackNumber = 0;
    int64_t trackUid = 0;
    uint32_t trackType = 0;
    bool flagEnabled = false;
    bool flagLacing = false;
    ByteBuffer language;
    ByteBuffer codecId;
    ByteBuffer name;
    MkvMediaSettings media;

  private:
    void parseVideo(const MkvElement& settings);
    void parseAudio(const MkvElement& settings);
};

// The track list (0x1654AE6B).
class MkvTrack : public tMkvList<MkvTrackEntry> {
  public:
    MkvTrack() = default;
    explicit MkvTrack(const MkvElement& header) : tMkvList(header) {}

    int32_t parse() override;
};

}  // namespace nvr
