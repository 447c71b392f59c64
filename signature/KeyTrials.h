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
// Trials cost hashing of failing clusters only. The values up to kNear away
// and the built-in key are tried for every failing cluster, at a cost bound
// by the walk's own; they find a swap, a single insertion or a copy, and a
// first cluster, so a run of junk cannot take them from the clusters after
// it. The farther values are tried while a budget of `budgetBytes` lasts;
// once it is spent, no later cluster gets them either, and stoppedAt() says
// where that happened.
class KeyTrials {
  public:
    static constexpr int64_t kWindow = 32;
    static constexpr int64_t kNear = 2;
    // True when `site` verifies with `key`; must not throw.
    using TryKey = std::function<bool(const nvr::SignatureSite& site, const nvr::ByteBuffer& key)>;
    // Receives a failing cluster's outcome.
    using OnResult = std::function<void(int64_t cluster, const KeyTrial& keyedBy)>;

    KeyTrials(int64_t budgetBytes, TryKey tryKey, OnResult onResult);

    // Every cluster in file order; `failed` when its chain key did not verify it.
    void add(const nvr::ScannedCluster& cluster, bool failed);
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
    };
    struct Value {
        int64_t number;
        nvr::ByteBuffer bytes;
    };
    void run(const Waiting& waiting);
    std::vector<const Value*> candidates(const Waiting& waiting) const;
    // The outcome of trying `w` with the farther values, or none held.
    std::optional<KeyTrial> tryFar(const Waiting& w, const std::vector<const Value*>& far);

    int64_t budgetLeft;
    int64_t stopped = 0;
    TryKey tryKey;
    OnResult onResult;
    std::deque<Value> values;  // the last 2 * kWindow + 1 values
    std::deque<Waiting> waiting;
};
