#pragma once

#include <cstdint>
#include <vector>

#include "signature/WalkEvidence.h"

namespace nvr {

// Where a cluster holds under the value of a cluster further back than the
// one before it (or, proven, under the built-in key that opens the chain),
// and every cluster between is outside any chain (inserted, or a copy of a
// cluster that stands elsewhere), that cluster (a witness) stands in its
// sealed order and the clusters between were put there. One between that
// is proven in its own right, or holds under some stored value, belongs to
// a chain: then the witness was moved with it, and nothing is marked.
struct Placement {
    std::vector<int64_t> shownBy;  // by cluster number - 1: the witness, or 0
    std::vector<bool> inOrder;     // by cluster number - 1: a witness in its sealed order
};

// Needs the copies found and the proof made; linear in the clusters.
Placement placementOf(const WalkEvidence& walk);

// Sets every kept entry's inSealedOrder from placementOf, so that the
// standing and the runs of such a witness are those of a cluster whose
// link holds.
void markSealedOrder(WalkEvidence& walk);

}  // namespace nvr
