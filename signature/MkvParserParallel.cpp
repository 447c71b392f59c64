// The parser's walk with the clusters checked on several threads; the
// scheduling is BatchWalk's.
#include "container/MkvParser.h"
#include "container/ReadBudget.h"
#include "signature/BatchWalk.h"
#include "signature/SegmentScan.h"
#include "signature/WalkRecorder.h"
#include "signature/WalkState.h"

namespace nvr {

VerifyWalkResult MkvParser::verifySignaturesParallel(
    Progress progress, void* context, const std::vector<std::unique_ptr<MkvParser>>& helpers,
    size_t batchClusters) {
    WalkState& state = WalkState::of(*this);
    iReader* const bytes = source();
    const ReadBudget budget(bytes != nullptr ? bytes->size() : 0);
    const VerifyWalkResult tagResult = state.verifyTag();
    if (!segment.isValid()) {
        return tagResult;
    }
    std::vector<WalkState*> workers{&state};
    for (const auto& helper : helpers) {
        workers.push_back(&WalkState::of(*helper));
        workers.back()->store = state.store;
        workers.back()->tagKey = state.tagKey;  // the chain follows the tag's key
    }
    SegmentScan scan(state);
    WalkRecorder recorder(state, tagResult, progress, context);
    return BatchWalk(std::move(workers), batchClusters).run(scan, recorder);
}

}  // namespace nvr
