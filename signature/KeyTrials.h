#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "signature/SignatureSite.h"

// Tells a structural change from a content change: a failing cluster is
// tried with the values stored in the clusters around it (up to kWindow each
// way) and with the built-in key. "Cluster k verifies when keyed by cluster
// j" means clusters were inserted, removed or moved, not that k's bytes were
// changed. The values after k are known only once the walk has passed them,
// so a failing cluster waits until kWindow more clusters have come by.
//
// Trials cost hashing of failing clusters only, and all of them together
// hash at most `budgetBytes`; past that, failing clusters stay untried.
class KeyTrials {
  public:
    static constexpr int64_t kWindow = 32;
    // True when `site` verifies with `key`; must not throw.
    using TryKey = std::function<bool(const nvr::SignatureSite& site, const nvr::ByteBuffer& key)>;
    // Receives a failing cluster's outcome.
    using OnResult = std::function<void(int64_t cluster, const KeyTrial& keyedBy)>;

    KeyTrials(int64_t budgetBytes, TryKey tryKey, OnResult onResult);

    // Every cluster in file order; `failed` when its chain key did not verify it.
    void add(const nvr::ScannedCluster& cluster, bool failed);
    // Runs what is still waiting with the values known; at the walk's end.
    void flush();

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

    int64_t budgetLeft;
    TryKey tryKey;
    OnResult onResult;
    std::deque<Value> values;  // the last 2 * kWindow + 1 values
    std::deque<Waiting> waiting;
};
