#include "signature/Proof.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "signature/ValueId.h"

namespace nvr {

namespace {

constexpr uint8_t kKindRsa = 1;
constexpr uint8_t kKindHmac = 2;

// The cluster whose stored value held as this cluster's key, 0 for the
// built-in key, or none when no key that counts held.
std::optional<int64_t> keyThatHeld(const ClusterEntry& entry) {
    if (entry.status == ClusterStatus::Verified) {
        if (entry.kind == kKindRsa && entry.keyFrom != 0) {
            return std::nullopt;  // a stored key of the forger's choosing
        }
        return entry.keyFrom;
    }
    if (entry.status == ClusterStatus::Mismatch) {
        if (entry.keyedBy.heldByBuiltInKey()) {
            return 0;
        }
        if (entry.kind == kKindHmac) {
            return entry.keyedBy.heldBy();
        }
    }
    return std::nullopt;
}

using IndexEntry = std::pair<ValueId, int64_t>;  // a stored value and its cluster

std::vector<IndexEntry> indexOfValues(const ClusterMap& map) {
    std::vector<IndexEntry> index;
    for (const ClusterEntry& entry : map.entries()) {
        if (entry.kind != 0) {
            index.emplace_back(entry.valueId, entry.number);
        }
    }
    std::sort(index.begin(), index.end());
    return index;
}

}  // namespace

void proveClusters(WalkEvidence& walk, const ByteBuffer& finalValue) {
    walk.proofKey = ProofKey::None;
    const TagStatement& tag = walk.tag;
    if (!tag.verified || !tag.unsignedField.empty() ||
        (tag.kind != kKindRsa && tag.kind != kKindHmac)) {
        return;
    }
    walk.proofKey = tag.kind == kKindRsa ? ProofKey::Rsa : ProofKey::Hmac;

    ClusterMap& map = walk.map;
    const std::vector<IndexEntry> index = indexOfValues(map);
    std::vector<bool> examined(map.entries().size() + 1, false);
    std::deque<ValueId> proven{valueIdOf(finalValue)};
    std::set<ValueId> followed;  // each value is followed once
    while (!proven.empty()) {
        const ValueId value = proven.front();
        proven.pop_front();
        if (!followed.insert(value).second) {
            continue;
        }
        const auto from = std::lower_bound(index.begin(), index.end(), IndexEntry{value, 0});
        for (auto it = from; it != index.end() && it->first == value; ++it) {
            const auto number = static_cast<size_t>(it->second);
            if (examined[number]) {
                continue;
            }
            examined[number] = true;
            ClusterEntry& entry = *map.find(it->second);
            const std::optional<int64_t> key = keyThatHeld(entry);
            if (!key) {
                continue;
            }
            // Frames before the signature element are not the recorder's to
            // vouch for; the signed bytes and the key still are.
            entry.proven = !entry.unsignedFrames;
            const ClusterEntry* const keyCluster = *key > 0 ? map.find(*key) : nullptr;
            if (keyCluster != nullptr && keyCluster->kind != 0) {
                proven.push_back(keyCluster->valueId);
            }
        }
    }
}

}  // namespace nvr
