#include "video/ByteSource.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace nvr::video {

FileSource::FileSource(const std::string& path) {
    RecordingFile::Opened opened = RecordingFile::open(path);
    if (opened.refusal == RecordingFile::Refusal::CannotOpen) {
        openError = std::strerror(opened.error);
    } else if (!opened.file) {
        openError = opened.verdictText();
    }
    file = std::move(opened.file);
}

FileSource::FileSource(std::shared_ptr<const RecordingFile> shared) : file(std::move(shared)) {
    if (!file) {
        openError = "no file";
    }
}

FileSource FileSource::of(const RecordingEvidence& evidence) {
    return evidence.file ? FileSource(evidence.file) : FileSource(evidence.identity.path);
}

int64_t FileSource::read(int64_t offset, uint8_t* out, size_t length) const {
    return file ? file->readAt(offset, out, length) : -1;
}

int64_t MemorySource::read(int64_t offset, uint8_t* out, size_t count) const {
    if (offset < 0) {
        return -1;
    }
    if (static_cast<uint64_t>(offset) >= length) {
        return 0;
    }
    const size_t n = std::min(count, length - static_cast<size_t>(offset));
    std::memcpy(out, data + offset, n);
    return static_cast<int64_t>(n);
}

}  // namespace nvr::video
