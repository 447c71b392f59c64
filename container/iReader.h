#pragma once

#include <cstdint>

namespace nvr {

// Why a byte source refused: results of open, read and size.
enum class ReaderStatus : int32_t {
    Ok = 0,
    InvalidArgument = -2,
    CannotOpen = -3,
    NotOpen = -4,
    AlreadyOpen = -5,
    PastEnd = -6,
    IoFailed = -7,
};

// A read or size answer that is a refusal: the status's negative number,
// which no byte count or size can be.
constexpr int32_t refused(ReaderStatus status) {
    return static_cast<int32_t>(status);
}

// Random-access byte source addressed by absolute 64-bit offsets. Never throws.
class iReader {
  public:
    // Copies exactly `length` bytes at `offset` into `buffer`. Returns `length`
    // on success; 0 for a zero-length read; refused(status) otherwise.
    virtual int32_t read(int64_t offset, int32_t length, uint8_t* buffer) = 0;
    // Number of bytes the source holds, or refused(status).
    virtual int64_t size() = 0;
    virtual ~iReader() = default;

  protected:
    iReader() = default;
    iReader(const iReader&) = default;
    iReader& operator=(const iReader&) = default;
};

}  // namespace nvr
