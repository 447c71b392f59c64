#pragma once

#include "container/MkvPayload.h"
#include "signature/WalkEvidence.h"

namespace nvr {

// Marks the clusters that the tag's signed final value reaches back to.
//
// Anyone can recompute a cluster's link from the values stored in the file,
// so a link that holds proves nothing alone. A value is proven when it is
// the final value of a tag whose signature holds over all its fields. A
// cluster storing a proven value is proven when its signature holds under
// some key (the value before it, a value a key trial found, or the built-in
// key) and no frame stands before its signature element; an RSA signature
// counts only under the built-in public key, since whoever picks the key
// can make any signature verify. The key that held is then proven too, and
// every cluster storing it is examined the same way. Sets walk.proofKey and
// the entries' `proven`; the runs are split on it afterwards.
void proveClusters(WalkEvidence& walk, const ByteBuffer& finalValue);

}  // namespace nvr
