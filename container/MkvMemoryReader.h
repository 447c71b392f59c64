#pragma once

#include <cstdint>
#include <vector>

#include "container/iReader.h"

namespace nvr {

// A byte source over a buffer in memory, for tests and fuzzing. It may claim
// to be larger than its buffer (to exercise offsets past what is held):
// reads beyond the buffer then fail as I/O errors.
class MkvMemoryReader : public iReader {
public:
    explicit MkvMemoryReader(std::vector<uint8_t> bytes, int64_t declaredSize = -1);

    int32_t read(int64_t offset, int32_t length, uint8_t* buffer) override;
    int64_t size() override { return declaredSize; }

private:
    std::vector<uint8_t> bytes;
    int64_t declaredSize;
};

}  // namespace nvr
