#pragma once

#include <cstddef>
#include <vector>

#include "signature/SignatureWalk.h"

namespace nvr {

class SegmentScan;
class WalkRecorder;
class WalkState;

// The clusters of a walk checked on several threads. Every cluster's key is
// the value stored in the cluster before it, so the keys are known from a
// cheap scan of the signature elements before any range is hashed. Clusters
// are taken in batches: the calling thread scans a batch exactly as the
// sequential walk would meet it, all workers check its ranges, and the
// outcomes are then recorded in file order, so the first failure in file
// order decides, as it does in the sequential walk, and the map and the
// progress come out the same.
class BatchWalk {
  public:
    // A batch holds at most this many clusters unless told otherwise.
    static constexpr size_t kBatchClusters = 4096;

    // One worker per thread, the first on the calling thread; each lends
    // its own byte source and buffer. `batchClusters` 0 is the default.
    BatchWalk(std::vector<WalkState*> workers, size_t batchClusters);

    // Scans, checks and records the whole segment; the walk's result.
    VerifyWalkResult run(SegmentScan& scan, WalkRecorder& recorder);

  private:
    std::vector<WalkState*> workers;
    size_t batchLimit;
};

}  // namespace nvr
