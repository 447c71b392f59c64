#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "signature/RecordingEvidence.h"

// The per-cluster records of one walk, in file order, and their runs. Both
// are capped so that a forged file of millions of tiny clusters cannot make
// the map grow without bound; past a cap the clusters are still checked and
// counted, and complete() turns false.
class ClusterMap {
  public:
    static constexpr size_t kMaxEntries = size_t{1} << 19;
    static constexpr size_t kMaxRuns = size_t{1} << 16;

    // Adds the next cluster in file order.
    void add(const ClusterEntry& entry);
    // Marks the bytes from `offset` to the segment's end as not checked: the
    // walk ended early. `nextCluster` is the number the next cluster would
    // have had; the run's lastCluster is 0 as their count is unknown.
    void endEarly(int64_t nextCluster, int64_t offset, int64_t segmentEnd);
    // Lays the kept clusters' runs out again, split on proof and sealed
    // order as well as on status, once both are known. Runs past the kept
    // entries stay.
    void splitRunsOnStanding();
    // Closes the last run's time with the median cluster duration.
    void finish(const std::optional<double>& medianSeconds);

    // The kept entry of cluster `number`, or null.
    ClusterEntry* find(int64_t number);
    const ClusterEntry* find(int64_t number) const;

    const std::deque<ClusterEntry>& entries() const { return kept; }
    const std::vector<ClusterRun>& runs() const { return runList; }
    int64_t count() const { return total; }
    bool complete() const { return !truncated; }

    // Median of the positive steps between consecutive cluster times.
    std::optional<double> medianDuration() const;

  private:
    void addToRuns(const ClusterEntry& entry);

    std::deque<ClusterEntry> kept;
    std::vector<ClusterRun> runList;
    int64_t total = 0;
    bool truncated = false;
};
