#include "signature/RecordingEvidence.h"

const char* proofKeyCode(ProofKey key) {
    switch (key) {
        case ProofKey::Rsa:
            return "rsa";
        case ProofKey::Hmac:
            return "hmac";
        case ProofKey::None:
            break;
    }
    return nullptr;
}

const char* clusterStandingCode(ClusterStanding standing) {
    switch (standing) {
        case ClusterStanding::Proven:
            return "proven";
        case ClusterStanding::Sealed:
            return "sealed";
        case ClusterStanding::LinkHolds:
            return "link-holds";
        case ClusterStanding::OutOfPlace:
            return "out-of-place";
        case ClusterStanding::Failing:
            return "failing";
        case ClusterStanding::NotChecked:
            break;
    }
    return "not-checked";
}

ClusterStanding standingOf(ClusterStatus status, bool proven, bool inSealedOrder, ProofKey key) {
    switch (status) {
        case ClusterStatus::NotChecked:
            return ClusterStanding::NotChecked;
        case ClusterStatus::Unsigned:
        case ClusterStatus::Error:
            return ClusterStanding::Failing;
        case ClusterStatus::Mismatch:
            if (inSealedOrder) {
                // Its link skips only inserted clusters: it holds under the
                // value of the cluster it followed when sealed, a link anyone
                // can recompute, proven only where the tag reaches it.
                break;
            }
            // Proven through a key trial: the recorder's bytes, not in this place.
            return proven ? ClusterStanding::OutOfPlace : ClusterStanding::Failing;
        case ClusterStatus::Verified:
            break;
    }
    if (!proven) {
        return ClusterStanding::LinkHolds;
    }
    return key == ProofKey::Rsa ? ClusterStanding::Proven : ClusterStanding::Sealed;
}

ClusterStanding standingOf(const ClusterEntry& entry, ProofKey key) {
    return standingOf(entry.status, entry.proven, entry.inSealedOrder, key);
}

ClusterStanding standingOf(const ClusterRun& run, ProofKey key) {
    return standingOf(run.status, run.proven, run.inSealedOrder, key);
}
