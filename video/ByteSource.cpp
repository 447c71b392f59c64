#include "video/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace nvr::video {

FileSource::FileSource(const std::string& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat info {};
    if (fd < 0) {
        openError = std::strerror(errno);
    } else if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        openError = "not a regular file";
        ::close(fd);
        fd = -1;
    } else {
        fileSize = static_cast<int64_t>(info.st_size);
    }
}

FileSource::~FileSource() {
    if (fd >= 0) {
        ::close(fd);
    }
}

int64_t FileSource::read(int64_t offset, uint8_t* out, size_t length) const {
    if (fd < 0 || offset < 0) {
        return -1;
    }
    for (;;) {
        const ssize_t n = ::pread(fd, out, length, static_cast<off_t>(offset));
        if (n >= 0) {
            return static_cast<int64_t>(n);
        }
        if (errno != EINTR) {
            return -1;
        }
    }
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
