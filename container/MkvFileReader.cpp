#include "container/MkvFileReader.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>

namespace nvr {

static_assert(sizeof(off_t) == 8, "the reader needs 64-bit file offsets");

ReaderStatus MkvFileReader::open(const char* path) {
    if (path == nullptr) {
        return ReaderStatus::InvalidArgument;
    }
    if (stream) {
        return ReaderStatus::AlreadyOpen;
    }
    stream.reset(std::fopen(path, "rb"));
    if (!stream) {
        return ReaderStatus::CannotOpen;
    }
    // The window does the buffering; stdio's own buffer would only copy twice.
    std::setvbuf(stream.get(), nullptr, _IONBF, 0);
    windowLength = 0;
    if (fseeko(stream.get(), 0, SEEK_END) != 0) {
        return ReaderStatus::IoFailed;
    }
    const off_t end = ftello(stream.get());
    if (end < 0) {
        return ReaderStatus::IoFailed;
    }
    fileSize = end;
    if (fseeko(stream.get(), 0, SEEK_SET) != 0) {
        return ReaderStatus::IoFailed;
    }
    isOpen = true;
    return ReaderStatus::Ok;
}

void MkvFileReader::close() {
    stream.reset();
    isOpen = false;
    windowLength = 0;
}

int64_t MkvFileReader::size() {
    if (!stream) {
        return refused(ReaderStatus::NotOpen);
    }
    return fileSize;
}

int32_t MkvFileReader::read(int64_t offset, int32_t length, uint8_t* buffer) {
    if (!stream) {
        return refused(ReaderStatus::NotOpen);
    }
    if (offset < 0 || length < 0) {
        return refused(ReaderStatus::InvalidArgument);
    }
    if (length == 0) {
        return 0;
    }
    if (buffer == nullptr) {
        return refused(ReaderStatus::InvalidArgument);
    }
    if (offset >= fileSize) {
        return refused(ReaderStatus::PastEnd);
    }
    if (length >= kWindowSize) {
        return readFile(offset, length, buffer) ? length : refused(ReaderStatus::IoFailed);
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
            return refused(ReaderStatus::IoFailed);
        }
        windowStart = offset;
        windowLength = fill;
        if (length > fill) {
            return refused(ReaderStatus::IoFailed);  // runs over the end of the file
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
