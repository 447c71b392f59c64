#include "cli/ReportTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "report/HtmlReport.h"

namespace {

// Up to `limit` bytes from the start of the file; false when it cannot be read.
bool readHead(const std::string& path, size_t limit, std::string& head) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    head.assign(limit, '\0');
    size_t got = 0;
    bool ok = true;
    while (got < limit) {
        const ssize_t n = ::read(fd, &head[got], limit - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    head.resize(got);
    return ok;
}

}  // namespace

ReportTarget reportTargetOf(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) {
        return ReportTarget::Absent;
    }
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) {
        return ReportTarget::OtherFile;  // a link to nothing
    }
    if (S_ISDIR(target.st_mode)) {
        return ReportTarget::Folder;
    }
    if (!S_ISREG(target.st_mode)) {
        return ReportTarget::OtherFile;  // never read a device or a pipe to find out
    }
    std::string head;
    if (!readHead(path, kReportMarkerWithin, head)) {
        return ReportTarget::Unreadable;
    }
    return isOwnReportHead(head) ? ReportTarget::OwnReport : ReportTarget::OtherFile;
}
