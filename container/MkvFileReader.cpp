#include "container/MkvFileReader.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace nvr {

static_assert(sizeof(off_t) == 8, "the reader needs 64-bit file offsets");

ReaderStatus MkvFileReader::open(const char* path) {
    if (path == nullptr) {
        return ReaderStatus::InvalidArgument;
    }
    if (file) {
        return ReaderStatus::AlreadyOpen;
    }
    RecordingFile::Opened opened = RecordingFile::open(path);
    if (!opened.file) {
        return ReaderStatus::CannotOpen;
    }
    return openShared(std::move(opened.file));
}

ReaderStatus MkvFileReader::openShared(std::shared_ptr<const RecordingFile> shared) {
    if (!shared) {
        return ReaderStatus::InvalidArgument;
    }
    if (file) {
        return ReaderStatus::AlreadyOpen;
    }
    file = std::move(shared);
    windowLength = 0;
    fileSize = file->size();
    isOpen = true;
    return ReaderStatus::Ok;
}

void MkvFileReader::close() {
    file.reset();
    isOpen = false;
    windowLength = 0;
}

int64_t MkvFileReader::size() {
    if (!file) {
        return refused(ReaderStatus::NotOpen);
    }
    return fileSize;
}

int32_t MkvFileReader::read(int64_t offset, int32_t length, uint8_t* buffer) {
    if (!file) {
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
    return file->readExactly(offset, buffer, static_cast<size_t>(length));
}

}  // namespace nvr
