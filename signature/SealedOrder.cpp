#include "signature/SealedOrder.h"

#include <optional>

#include "signature/ClusterCopies.h"

namespace nvr {

namespace {

bool outsideTheChain(const WalkEvidence& walk, const ClusterEntry& entry) {
    return originalOf(walk, entry.number) != 0 || (!entry.proven && !entry.keyedBy.heldBy());
}

// The cluster whose value a failing cluster holds under, further back than
// the one before it; 0 for the built-in key. None when it is no witness: a
// copy holds under the value before its original, wherever it stands.
std::optional<int64_t> witnessedFrom(const WalkEvidence& walk, const ClusterEntry& entry) {
    if (entry.status != ClusterStatus::Mismatch || originalOf(walk, entry.number) != 0) {
        return std::nullopt;
    }
    const std::optional<int64_t> heldBy = entry.keyedBy.heldBy();
    if (heldBy && *heldBy < entry.number - 1) {
        return heldBy;
    }
    // Any recording's first cluster holds under the built-in key: only a
    // proven one is this recording's first.
    if (entry.keyedBy.heldByBuiltInKey() && entry.proven && entry.number > 1) {
        return int64_t{0};
    }
    return std::nullopt;
}

}  // namespace

// Whether all between are outside is read from a running count, and a
// witness in order marks clusters no other one does (it is no copy, so it
// cannot stand between another's two ends).
Placement placementOf(const WalkEvidence& walk) {
    const ClusterMap& map = walk.map;
    const size_t count = map.entries().size();
    Placement found;
    found.shownBy.assign(count, 0);
    found.inOrder.assign(count, false);
    std::vector<int64_t> inChain(count + 1, 0);  // clusters 1..n that are not outside
    for (const ClusterEntry& entry : map.entries()) {
        const auto n = static_cast<size_t>(entry.number);
        inChain[n] = inChain[n - 1] + (outsideTheChain(walk, entry) ? 0 : 1);
    }
    for (const ClusterEntry& entry : map.entries()) {
        const std::optional<int64_t> from = witnessedFrom(walk, entry);
        const auto n = static_cast<size_t>(entry.number);
        if (!from || inChain[n - 1] != inChain[static_cast<size_t>(*from)]) {
            continue;
        }
        found.inOrder[n - 1] = true;
        for (auto between = static_cast<size_t>(*from) + 1; between < n; ++between) {
            found.shownBy[between - 1] = entry.number;
        }
    }
    return found;
}

void markSealedOrder(WalkEvidence& walk) {
    const std::vector<bool> inOrder = placementOf(walk).inOrder;
    for (size_t i = 0; i < inOrder.size(); ++i) {
        walk.map.find(static_cast<int64_t>(i + 1))->inSealedOrder = inOrder[i];
    }
}

}  // namespace nvr
