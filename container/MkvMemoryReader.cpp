#include "container/MkvMemoryReader.h"

#include <cstring>

namespace nvr {

MkvMemoryReader::MkvMemoryReader(std::vector<uint8_t> bytes_, int64_t declaredSize_)
    : bytes(std::move(bytes_)),
      declaredSize(declaredSize_ >= 0 ? declaredSize_ : static_cast<int64_t>(bytes.size())) {}

int32_t MkvMemoryReader::read(int64_t offset, int32_t length, uint8_t* buffer) {
    if (offset < 0 || length < 0) {
        return READER_INVALID_ARGUMENT;
    }
    if (length == 0) {
        return 0;
    }
    if (buffer == nullptr) {
        return READER_INVALID_ARGUMENT;
    }
    if (offset >= declaredSize) {
        return READER_PAST_END;
    }
    const auto held = static_cast<int64_t>(bytes.size());
    if (offset >= held || length > held - offset) {
        return READER_IO_FAILED;
    }
    std::memcpy(buffer, bytes.data() + offset, static_cast<size_t>(length));
    return length;
}

}  // namespace nvr
