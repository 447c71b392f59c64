#include "container/MkvFileReader.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>

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
    // The window does the buffering; stdio's own buffer would only copy twice.
    std::setvbuf(stream.get(), nullptr, _IONBF, 0);
    windowLength = 0;
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
    windowLength = 0;
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
    if (length >= kWindowSize) {
        return readFile(offset, length, buffer) ? length : READER_IO_FAILED;
    }
    const bool inWindow =
        windowLength > 0 && offset >= windowStart && offset - windowStart <= windowLength - length;
    if (!inWindow) {
        // Refill from the offset; near the end of the file the window is
        // shorter, and a read running past the end still fails below.
        window.resize(kWindowSize);
        const auto fill = static_cast<int32_t>(std::min<int64_t>(kWindowSize, fileSize - offset));
        windowLength = 0;
        if (!readFile(offset, fill, window.data())) {
            return READER_IO_FAILED;
        }
        windowStart = offset;
        windowLength = fill;
        if (length > fill) {
            return READER_IO_FAILED;  // runs over the end of the file
        }
    }
    std::memcpy(buffer, window.data() + (offset - windowStart), static_cast<size_t>(length));
    return length;
}

bool MkvFileReader::readFile(int64_t offset, int32_t length, uint8_t* buffer) {
    if (fseeko(stream.get(), static_cast<off_t>(offset), SEEK_SET) != 0) {
        return false;
    }
    const size_t got = std::fread(buffer, 1, static_cast<size_t>(length), stream.get());
    if (got != static_cast<size_t>(length)) {
        std::clearerr(stream.get());  // a later read at a valid offset must still work
        return false;
    }
    return true;
}

}  // namespace nvr
