#pragma once

#include <string>

#include "support/TestRecorder.h"

// A forger's edit that every link survives: the clusters after an altered
// one are signed again, each with the value now stored before it, so the
// links hold up to the first cluster left as it was. Only the tag's signed
// final value can tell such a file from an authentic one.
namespace recorder {

// Flips one byte in the middle of chain cluster `altered`'s signed range,
// then signs chain clusters `altered` .. `keepFrom` - 1 again in place, each
// keyed by the value stored in the cluster before it (the built-in key for
// the first). Cluster `keepFrom` keeps its old value, so its link breaks
// there and nowhere before. Indices are chain positions from 0, as in
// Tampering. Updates the stored values in `recording`. Throws
// std::invalid_argument unless those clusters are signed HMAC clusters in
// file order, and std::runtime_error when the file cannot be rewritten.
void resealAfterFlip(Recording& recording, int altered, int keepFrom,
                     const RecorderKeys& keys = RecorderKeys::defaults());

// The forger's use of RSA under a key from the file: chain cluster
// `forged` (laid out with a value of `value`'s size) is made an RSA/SHA-256
// cluster storing `value` over its frames as they are, and the cluster
// before it (RSA-sized) stores a public key chosen so that it verifies.
// Updates the stored values in `recording`.
void resignUnderChosenKey(Recording& recording, int forged, const Bytes& value);

// Flips one frame byte of every foreign cluster (a different byte in each,
// so no two are alike, while fewer than half their signed length): junk
// that holds under no key at all.
void spoilForeignClusters(const Recording& recording);

}  // namespace recorder
