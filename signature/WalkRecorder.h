#pragma once

#include <exception>
#include <optional>

#include "signature/KeyTrials.h"
#include "signature/SegmentScan.h"
#include "signature/WalkEvidence.h"

namespace nvr {

class WalkState;

// The per-cluster bookkeeping of a walk, in one place for both walks: each
// checked cluster is handed over in file order. The first failure in file
// order decides the result and its description; every cluster after it is
// still recorded, with its status, progress and key trials.
class WalkRecorder {
  public:
    WalkRecorder(WalkState& state, int tagResult, ProgressCallback progress, void* context);
    // The key trials call back into this object.
    WalkRecorder(const WalkRecorder&) = delete;
    WalkRecorder& operator=(const WalkRecorder&) = delete;

    // A cluster the scan produced, with the outcome of checking it with its
    // chain key: VERIFY_OK or VERIFY_MISMATCH (`issue` says why); clusters
    // without a usable signature come with VERIFY_UNSIGNED.
    void record(ScannedCluster&& cluster, int result, const std::string& issue);
    // The walk ended with `error` (while checking `cluster`, or while
    // scanning when null). Rethrows it when nothing failed before, as the
    // walk always did; otherwise the result stands and the rest of the
    // segment is marked not checked.
    void stop(std::exception_ptr error, const ScannedCluster* cluster, const SegmentScan& scan);
    // Closes the walk and returns its result.
    int finish(const SegmentScan& scan);

    bool failed() const { return result != VERIFY_OK; }

  private:
    // Runs the waiting key trials and sums up what the scan stepped over.
    void close(const SegmentScan& scan);
    void recordCoverage(const ClusterEntry& entry);
    void fail(int clusterResult, const ClusterEntry& entry, const std::string& issue);
    int outsideTheSignatures();

    WalkState& state;
    WalkEvidence& evidence;
    int result;
    ProgressCallback progress;
    void* context;
    KeyTrials trials;
    int64_t clusterPrefixBytes = 0;  // cluster bytes before their signed ranges
    int64_t uncheckedClusterBytes = 0;
    int64_t uncheckedClusters = 0;
};

}  // namespace nvr
