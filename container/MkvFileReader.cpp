#include "container/MkvFileReader.h"

#include <sys/types.h>

namespace nvr {

static_assert(sizeof(off_t) == 8, "the reader needs 64-bit file offsets");

int32_t MkvFileReader::open(const char* path) {
    if (path == nullptr) {
        return READER_INVALID_ARGUMENT;
    }
    if (stream) {
        return READER_ALREADY_OPEN;
    }
    stream.reset(std::fopen(path, "rb"));
    if (!stream) {
        return READER_CANNOT_OPEN;
    }
    if (fseeko(stream.get(), 0, SEEK_END) != 0) {
        return READER_IO_FAILED;
    }
    const off_t end = ftello(stream.get());
    if (end < 0) {
        return READER_IO_FAILED;
    }
    fileSize = end;
    if (fseeko(stream.get(), 0, SEEK_SET) != 0) {
        return READER_IO_FAILED;
    }
    isOpen = true;
    return READER_OK;
}

void MkvFileReader::close() {
    stream.reset();
    isOpen = false;
}

int64_t MkvFileReader::size() {
    if (!stream) {
        return READER_NOT_OPEN;
    }
    return fileSize;
}

int32_t MkvFileReader::read(int64_t offset, int32_t length, uint8_t* buffer) {
    if (!stream) {
        return READER_NOT_OPEN;
    }
    if (offset < 0 || length < 0) {
        return READER_INVALID_ARGUMENT;
    }
    if (length == 0) {
        return 0;
    }
    if (buffer == nullptr) {
        return READER_INVALID_ARGUMENT;
    }
    if (offset >= fileSize) {
        return READER_PAST_END;
    }
    if (fseeko(stream.get(), static_cast<off_t>(offset), SEEK_SET) != 0) {
        return READER_IO_FAILED;
    }
    const size_t got = std::fread(buffer, 1, static_cast<size_t>(length), stream.get());
    if (got != static_cast<size_t>(length)) {
        std::clearerr(stream.get());  // a later read at a valid offset must still work
        return READER_IO_FAILED;
    }
    return length;
}

}  // namespace nvr
