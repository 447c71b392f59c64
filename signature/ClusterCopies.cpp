#include "signature/ClusterCopies.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "container/SafeOffset.h"

namespace nvr {

namespace {

constexpr int32_t kCompareChunk = 65536;
constexpr size_t kMaxCopies = 4096;  // enough to tell; a forged file may have millions

// Whether [a, a + length) and [b, b + length) hold the same bytes; a read
// that fails counts as different.
bool sameBytes(iReader& source, int64_t a, int64_t b, int64_t length) {
    std::vector<uint8_t> left(kCompareChunk);
    std::vector<uint8_t> right(kCompareChunk);
    while (length > 0) {
        const auto chunk = static_cast<int32_t>(std::min<int64_t>(length, kCompareChunk));
        if (source.read(a, chunk, left.data()) != chunk ||
            source.read(b, chunk, right.data()) != chunk ||
            !std::equal(left.begin(), left.begin() + chunk, right.begin())) {
            return false;
        }
        a += chunk;
        b += chunk;
        length -= chunk;
    }
    return true;
}

// Whether the cluster holds under the value stored in the one before it
// (the built-in key for the first): where the recorder put it, as far as
// its own link tells.
bool inSealedPlace(const ClusterMap& map, int64_t number) {
    const ClusterEntry* const entry = map.find(number);
    return entry != nullptr && entry->status == ClusterStatus::Verified &&
           entry->keyFrom == number - 1;
}

// Clusters that hold the same bytes: each is recorded as a copy of the
// first of them in its sealed place, or else of the first.
void recordCopies(WalkEvidence& walk, const std::vector<int64_t>& same) {
    int64_t original = same.front();
    for (const int64_t number : same) {
        if (inSealedPlace(walk.map, number)) {
            original = number;
            break;
        }
    }
    for (const int64_t number : same) {
        if (number != original && walk.duplicates.size() < kMaxCopies) {
            walk.duplicates.emplace_back(number, original);
        }
    }
}

}  // namespace

void findClusterCopies(WalkEvidence& walk, iReader& source) {
    // Same stored value and same signed length, then file order.
    using Key = std::tuple<ValueId, int64_t, int64_t>;
    std::vector<Key> candidates;
    for (const ClusterEntry& entry : walk.map.entries()) {
        if (entry.kind != 0 && entry.signedStart >= 0) {
            candidates.emplace_back(entry.valueId, entry.signedEnd - entry.signedStart,
                                    entry.number);
        }
    }
    std::sort(candidates.begin(), candidates.end());
    const int64_t fileSize = source.size();
    int64_t budget = addOffsets(fileSize > 0 ? fileSize : 0, int64_t{64} << 20);
    std::vector<int64_t> same;  // a run of byte-identical clusters in one group
    for (size_t i = 0; i < candidates.size() && walk.duplicates.size() < kMaxCopies; ++i) {
        const auto& [value, length, number] = candidates[i];
        // Compared with the cluster just before it in the group: a run of
        // copies pairs each with the one before.
        bool copy = false;
        if (i > 0 && std::get<0>(candidates[i - 1]) == value &&
            std::get<1>(candidates[i - 1]) == length) {
            if (length > budget) {
                break;
            }
            budget -= length;
            copy = sameBytes(source, walk.map.find(std::get<2>(candidates[i - 1]))->signedStart,
                             walk.map.find(number)->signedStart, length);
        }
        if (!copy) {
            if (same.size() > 1) {
                recordCopies(walk, same);
            }
            same.clear();
        }
        same.push_back(number);
    }
    if (same.size() > 1) {
        recordCopies(walk, same);
    }
    std::sort(walk.duplicates.begin(), walk.duplicates.end());
}

int64_t originalOf(const WalkEvidence& walk, int64_t number) {
    const auto it = std::lower_bound(walk.duplicates.begin(), walk.duplicates.end(),
                                     std::make_pair(number, int64_t{0}));
    return it != walk.duplicates.end() && it->first == number ? it->second : 0;
}

}  // namespace nvr
