#pragma once

#include <cstdint>

namespace nvr {

// Status values of a byte source: results of open, read and size.
enum ReaderStatus : int32_t {
    READER_OK = 0,
    READER_INVALID_ARGUMENT = -2,
    READER_CANNOT_OPEN = -3,
    READER_NOT_OPEN = -4,
    READER_ALREADY_OPEN = -5,
    READER_PAST_END = -6,
    READER_IO_FAILED = -7,
};

// Random-access byte source addressed by absolute 64-bit offsets. Never throws.
class iReader {
  public:
    // Copies exactly `length` bytes at `offset` into `buffer`. Returns `length`
    // on success; 0 for a zero-length read; a negative status otherwise.
    virtual int32_t read(int64_t offset, int32_t length, uint8_t* buffer) = 0;
    // Number of bytes the source holds, or a negative status.
    virtual int64_t size() = 0;
    virtual ~iReader() = default;

  protected:
    iReader() = default;
    iReader(const iReader&) = default;
    iReader& operator=(const iReader&) = default;
};

}  // namespace nvr
