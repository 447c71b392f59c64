#pragma once

#include <cstdint>
#include <limits>

namespace nvr {

// Adds two file offsets or sizes taken from a file. A sum that does not fit
// in int64 saturates at the largest offset, which lies past the end of any
// file, so every read there fails like any other read past the end.
inline int64_t addOffsets(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    }
    return sum;
}

}  // namespace nvr
