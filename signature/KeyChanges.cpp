#include "signature/KeyChanges.h"

#include <vector>

#include "container/MkvElement.h"
#include "signature/BuiltInKeys.h"
#include "signature/WalkState.h"

namespace nvr {

namespace {

// Failing runs probed, and the largest cluster read for them: a file of
// junk costs a bounded number of reads whatever the store's size.
constexpr int kMaxProbes = 8;
constexpr int64_t kMaxProbeBytes = int64_t{64} << 20;

// A key's bytes, the built-in key's spelt out: an empty key would stand
// for the chain's root.
ByteBuffer bytesOf(const ByteBuffer& material, KeyKind kind) {
    if (!material.empty()) {
        return material;
    }
    const KeyBytes builtIn = kind == KeyKind::Rsa ? builtInPublicKey() : builtInHmacKey();
    return ByteBuffer(builtIn.data, builtIn.data + builtIn.size);
}

bool unexplained(const ClusterEntry& entry) {
    return entry.status == ClusterStatus::Mismatch &&
           entry.keyedBy.outcome != KeyTrial::Outcome::Holds;
}

}  // namespace

void findKeyChanges(WalkState& state) {
    WalkEvidence& evidence = state.evidence;
    iReader* const source = state.source();
    if (state.store == nullptr || state.tagKey == nullptr || source == nullptr) {
        return;
    }
    int probes = 0;
    bool previousFailed = false;
    for (const ClusterEntry& entry : evidence.map.entries()) {
        const bool failed = entry.status != ClusterStatus::Verified;
        const bool first = failed && !previousFailed;
        previousFailed = failed;
        if (!first || !unexplained(entry) || entry.size > kMaxProbeBytes) {
            continue;
        }
        if (++probes > kMaxProbes) {
            return;
        }
        try {
            const SignatureSite site = state.findSignature(MkvElement(source, entry.headerOffset));
            if (site.status != VerifyWalkResult::Ok) {
                continue;
            }
            const KeyKind kind = site.kind == kKindRSA ? KeyKind::Rsa : KeyKind::Hmac;
            const ByteBuffer root = bytesOf(state.keyFor(ByteBuffer(), site.kind), kind);
            std::vector<const TrustedKey*> others;
            std::vector<ByteBuffer> materials;
            for (const TrustedKey& key : state.store->keys()) {
                ByteBuffer material = bytesOf(key.material, kind);
                if (key.kind == kind && material != root) {
                    others.push_back(&key);
                    materials.push_back(std::move(material));
                }
            }
            std::vector<const ByteBuffer*> keys;
            for (const ByteBuffer& material : materials) {
                keys.push_back(&material);
            }
            if (const std::optional<size_t> held =
                    keys.empty() ? std::nullopt : state.firstKeyVerifying(site, ByteBuffer(), keys)) {
                evidence.keyChanges.push_back(
                    WalkEvidence::KeyChange{entry.number, others[*held]->id, others[*held]->label});
            }
        } catch (...) {
            // A cluster that no longer reads is what the walk said it was.
        }
    }
}

}  // namespace nvr
