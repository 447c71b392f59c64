#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "signature/SignatureSite.h"

// Tells a structural change from a content change: a failing cluster is
// tried with the values stored in the clusters around it (up to kWindow each
// way) and with the built-in key. "Cluster k verifies when keyed by cluster
// j" means clusters were inserted, removed or moved, not that k's bytes were
// changed. The values after k are known only once the walk has passed them,
// so a failing cluster waits until kWindow more clusters have come by.
//
// Trials cost hashing of failing clusters only; each cluster's signed bytes
// are read once for all the keys it is tried with. The values up to kNear
// away and the built-in key are tried for every failing cluster, at a cost
// bound by the walk's own; they find a swap, a single insertion or a copy,
// and a first cluster, so a run of junk cannot take them from the clusters
// after it. The farther values are tried while a budget of `budgetBytes`
// lasts, and half as much again for failing clusters beside a cluster whose
// link holds (the ends of a failing run, where a moved cluster or the first
// after inserted ones stands): junk inside long failing runs, such as before
// the recording, cannot spend that part. Once a part is spent, no later
// cluster that draws on it gets the farther values either, and stoppedAt()
// says where the first went without.
class KeyTrials {
  public:
    static constexpr int64_t kWindow = 32;
    static constexpr int64_t kNear = 2;
    // Failing clusters up to this size wait with their signed bytes, taken
    // while the walk's read is there: trying them later reads nothing
    // again, and leaves the walk's read window where it is.
    static constexpr int64_t kKeptBytes = int64_t{256} << 10;
    // The index of the first of `keys` (an empty one is the built-in key)
    // that verifies `site` over `signedBytes` (when empty: as the file
    // holds them), or none; must not throw.
    using TryKeys = std::function<std::optional<size_t>(
        const nvr::SignatureSite& site, const nvr::ByteBuffer& signedBytes,
        const std::vector<const nvr::ByteBuffer*>& keys)>;
    // The signed bytes of `site` when there are at most `limit`, else none.
    using ReadSigned =
        std::function<nvr::ByteBuffer(const nvr::SignatureSite& site, int64_t limit)>;
    // Receives a failing cluster's outcome.
    using OnResult = std::function<void(int64_t cluster, const KeyTrial& keyedBy)>;

    KeyTrials(int64_t budgetBytes, TryKeys tryKeys, ReadSigned readSigned, OnResult onResult);

    // Every cluster in file order, with its status under its chain key;
    // a Mismatch is tried.
    void add(const nvr::ScannedCluster& cluster, ClusterStatus status);
    // Runs what is still waiting with the values known; at the walk's end.
    void flush();

    // The first failing cluster whose farther values the budget did not
    // cover (its outcome then NotTried unless a near key held); 0 none.
    int64_t stoppedAt() const { return stopped; }

  private:
    struct Waiting {
        int64_t number;
        int64_t keyFrom;
        nvr::SignatureSite site;
        nvr::ByteBuffer signedBytes;  // empty: read when tried
    };
    struct Value {
        int64_t number;
        nvr::ByteBuffer bytes;
    };
    void run(const Waiting& waiting);
    std::vector<const Value*> candidates(const Waiting& waiting) const;
    // Whether the link of a cluster beside `number` holds.
    bool besideALink(int64_t number) const;
    // The outcome of trying `w` with the farther values, or none held.
    std::optional<KeyTrial> tryFar(const Waiting& w, const std::vector<const Value*>& far);

    int64_t budgetLeft;
    int64_t reserve;           // the part only clusters beside a link may spend
    bool othersSpent = false;  // the part above it ran out for a cluster beside none
    int64_t stopped = 0;
    TryKeys tryKeys;
    ReadSigned readSigned;
    OnResult onResult;
    std::deque<Value> values;  // the last 2 * kWindow + 1 values
    std::deque<Waiting> waiting;
    std::deque<bool> holds;  // whether each of the last clusters' links held
    int64_t firstHolds = 1;  // the number of holds.front()
};
