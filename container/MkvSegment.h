#pragma once

#include <set>
#include <unordered_set>

#include "container/MkvAttachment.h"
#include "container/MkvCue.h"
#include "container/MkvSeekHead.h"
#include "container/MkvSegmentInfo.h"
#include "container/MkvTrack.h"
#include "container/TNVRTag.h"

namespace nvr {

// The Segment (0x18538067) with the metadata found up to its first Cluster
// and through the seek heads met on the way. Clusters are not recorded: the
// signature walk scans the segment for them itself.
class MkvSegment : public MkvElement {
  public:
    MkvSegment() = default;
    explicit MkvSegment(const MkvElement& header) { copyHeader(header); }

    int32_t parse() override;

    tMkvList<MkvSeekHead> seekHeads;  // distinct seek heads with entries
    tMkvList<MkvSegmentInfo> infos;   // distinct Info elements
    tMkvList<MkvTrack> tracks;        // distinct Tracks with entries
    MkvCue cues;                      // first Cues found
    MkvAttachment attachments;        // first Attachments found
    TNVRTag tag;                      // first recorder tag found
    // Header offsets of every recorder tag met, in the Segment or through a
    // seek head: more than one means some tag is not the recorder's.
    std::set<int64_t> recorderTags;

  private:
    void loadSeekTargets(const MkvSeekHead& seekHead);
    void addSeekHead(const MkvElement& header);
    void addInfo(const MkvElement& header);
    void addTracks(const MkvElement& header);

    // Header offsets of the seek heads, Info and Tracks elements already
    // read. The lists' contains() is linear; a forged seek head with millions
    // of entries must not make loading quadratic.
    std::unordered_set<int64_t> seenSeekHeads;
    std::unordered_set<int64_t> seenInfos;
    std::unordered_set<int64_t> seenTracks;
};

}  // namespace nvr
