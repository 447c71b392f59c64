#pragma once

#include <optional>
#include <vector>

#include "signature/SignatureSite.h"

namespace nvr {

class WalkState;

// Steps through the segment's children in file order, as the signature walk
// meets them: every Cluster comes out with its signature site, its time and
// its chain key; every other element is stepped over by its size and
// tallied as unsigned bytes. Both walks, on one thread or several, are fed
// by this one scan, so they meet the same clusters with the same keys.
class SegmentScan {
  public:
    explicit SegmentScan(WalkState& state);

    // The next cluster, or none at the segment's end. Throws MkvException
    // when a header cannot be read; position() then names that header.
    std::optional<ScannedCluster> next();

    int64_t position() const { return at; }
    int64_t end() const { return segmentEnd; }
    int64_t clusters() const { return count; }
    // The value the chain ends on: the last usable cluster value.
    const ByteBuffer& chainEnd() const { return chainKey; }
    // Bytes of the segment's other children, by name.
    const std::vector<CoveragePart>& otherElements() const { return others; }
    // Header offsets of the recorder tags among the segment's children (a few at most).
    const std::vector<int64_t>& recorderTags() const { return tags; }

  private:
    void tally(int32_t id, int64_t bytes);
    std::optional<double> secondsOf(const std::optional<uint64_t>& timecode) const;

    WalkState& state;
    int64_t at;
    int64_t segmentEnd;
    double secondsPerTick;
    int64_t count = 0;
    ByteBuffer chainKey;
    int64_t chainKeyFrom = 0;
    std::vector<CoveragePart> others;
    std::vector<int64_t> tags;
};

}  // namespace nvr
