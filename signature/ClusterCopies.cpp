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

}  // namespace

// Whether the cluster holds under the value stored in the one before it
// (the built-in key for the first): where the recorder put it, as far as
// its own link tells.
bool inSealedPlace(const ClusterMap& map, int64_t number) {
    const ClusterEntry* const entry = map.find(number);
    return entry != nullptr && entry->status == ClusterStatus::Verified &&
           entry->keyFrom == number - 1;
}

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
    for (size_t group = 0; group < candidates.size() && walk.duplicates.size() < kMaxCopies;) {
        const auto& [value, length, firstNumber] = candidates[group];
        size_t end = group + 1;
        while (end < candidates.size() && std::get<0>(candidates[end]) == value &&
               std::get<1>(candidates[end]) == length) {
            ++end;
        }
        // The original is the one in its sealed place, whichever comes
        // first in the file; failing that, the first.
        int64_t original = firstNumber;
        for (size_t i = group; i < end; ++i) {
            if (inSealedPlace(walk.map, std::get<2>(candidates[i]))) {
                original = std::get<2>(candidates[i]);
                break;
            }
        }
        const ClusterEntry* const kept = walk.map.find(original);
        for (size_t i = group; i < end && walk.duplicates.size() < kMaxCopies; ++i) {
            const int64_t number = std::get<2>(candidates[i]);
            if (number == original) {
                continue;
            }
            if (length > budget) {
                end = candidates.size();
                break;
            }
            budget -= length;
            if (sameBytes(source, kept->signedStart, walk.map.find(number)->signedStart, length)) {
                walk.duplicates.emplace_back(number, original);
            }
        }
        group = end;
    }
    std::sort(walk.duplicates.begin(), walk.duplicates.end());
}

int64_t originalOf(const WalkEvidence& walk, int64_t number) {
    const auto it = std::lower_bound(walk.duplicates.begin(), walk.duplicates.end(),
                                     std::make_pair(number, int64_t{0}));
    return it != walk.duplicates.end() && it->first == number ? it->second : 0;
}

}  // namespace nvr
