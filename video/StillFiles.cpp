#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "video/FrameCommands.h"

namespace {

bool writeNew(const std::string& path, const void* bytes, size_t size, std::string& why) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    const auto* at = static_cast<const char*>(bytes);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd, at, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            why = std::strerror(errno);
            ::close(fd);
            ::unlink(path.c_str());
            return false;
        }
        at += n;
        left -= static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        why = std::strerror(errno);
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool writeStillFiles(const StillFiles& still, const std::string& pngPath, std::string& failed,
                     std::string& why) {
    if (!writeNew(pngPath, still.png.data(), still.png.size(), why)) {
        failed = pngPath;
        return false;
    }
    const std::string recordPath = stillRecordPath(pngPath);
    if (!writeNew(recordPath, still.record.data(), still.record.size(), why)) {
        failed = recordPath;
        ::unlink(pngPath.c_str());
        return false;
    }
    return true;
}
