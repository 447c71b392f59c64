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
    for (size_t i = 1; i < candidates.size() && walk.duplicates.size() < kMaxCopies; ++i) {
        const auto& [value, length, number] = candidates[i];
        const auto& [firstValue, firstLength, firstNumber] = candidates[i - 1];
        if (value != firstValue || length != firstLength) {
            continue;
        }
        // Compared with the cluster just before it in the group: a run of
        // copies pairs each with the one before.
        if (length > budget) {
            break;
        }
        budget -= length;
        const ClusterEntry* const copy = walk.map.find(number);
        const ClusterEntry* const original = walk.map.find(firstNumber);
        if (sameBytes(source, original->signedStart, copy->signedStart, length)) {
            walk.duplicates.emplace_back(number, firstNumber);
        }
    }
    std::sort(walk.duplicates.begin(), walk.duplicates.end());
}

}  // namespace nvr
