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
    WalkRecorder(WalkState& state, VerifyWalkResult tagResult, ProgressCallback progress,
                 void* context);
    // The key trials call back into this object.
    WalkRecorder(const WalkRecorder&) = delete;
    WalkRecorder& operator=(const WalkRecorder&) = delete;

    // A cluster the scan produced, with the outcome of checking it with its
    // chain key: VerifyWalkResult::Ok or VerifyWalkResult::Mismatch (`issue` says why); clusters
    // without a usable signature come with VerifyWalkResult::Unsigned.
    void record(ScannedCluster&& cluster, VerifyWalkResult result, const std::string& issue);
    // The walk ended with `error` (while checking `cluster`, or while
    // scanning when null). Rethrows it when nothing failed before, as the
    // walk always did; otherwise the result stands and the rest of the
    // segment is marked not checked.
    void stop(std::exception_ptr error, const ScannedCluster* cluster, const SegmentScan& scan);
    // Closes the walk and returns its result.
    VerifyWalkResult finish(const SegmentScan& scan);

    bool failed() const { return result != VerifyWalkResult::Ok; }

  private:
    // Runs the waiting key trials and sums up what the scan stepped over.
    void close(const SegmentScan& scan);
    void recordCoverage(const ClusterEntry& entry);
    void fail(VerifyWalkResult clusterResult, const ClusterEntry& entry, const std::string& issue);
    VerifyWalkResult outsideTheSignatures();
    VerifyWalkResult outsideTheProof();

    WalkState& state;
    WalkEvidence& evidence;
    VerifyWalkResult result;
    ProgressCallback progress;
    void* context;
    KeyTrials trials;
    int64_t clusterPrefixBytes = 0;  // cluster bytes before their signed ranges
    int64_t uncheckedClusterBytes = 0;
    int64_t uncheckedClusters = 0;
};

}  // namespace nvr
