#include "container/RecordingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace nvr {

namespace {

FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileKind::Regular;
    }
    if (S_ISDIR(mode)) {
        return FileKind::Directory;
    }
    if (S_ISFIFO(mode)) {
        return FileKind::Fifo;
    }
    if (S_ISCHR(mode)) {
        return FileKind::CharacterDevice;
    }
    if (S_ISBLK(mode)) {
        return FileKind::BlockDevice;
    }
    if (S_ISSOCK(mode)) {
        return FileKind::Socket;
    }
    return FileKind::Other;
}

FileStamp stampOf(const struct stat& status) {
    FileStamp stamp;
    stamp.device = static_cast<uint64_t>(status.st_dev);
    stamp.inode = static_cast<uint64_t>(status.st_ino);
    stamp.size = static_cast<int64_t>(status.st_size);
    stamp.modifiedSeconds = static_cast<int64_t>(status.st_mtim.tv_sec);
    stamp.modifiedNanoseconds = static_cast<int64_t>(status.st_mtim.tv_nsec);
    stamp.changedSeconds = static_cast<int64_t>(status.st_ctim.tv_sec);
    stamp.changedNanoseconds = static_cast<int64_t>(status.st_ctim.tv_nsec);
    return stamp;
}

RecordingFile::Opened refused(RecordingFile::Refusal refusal, FileKind kind, int error) {
    RecordingFile::Opened opened;
    opened.refusal = refusal;
    opened.kind = kind;
    opened.error = error;
    return opened;
}

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedSeconds == other.modifiedSeconds &&
           modifiedNanoseconds == other.modifiedNanoseconds &&
           changedSeconds == other.changedSeconds && changedNanoseconds == other.changedNanoseconds;
}

const char* fileKindText(FileKind kind) {
    switch (kind) {
        case FileKind::Regular:
            return "";
        case FileKind::Directory:
            return "a directory";
        case FileKind::Fifo:
            return "a FIFO";
        case FileKind::CharacterDevice:
            return "a character device";
        case FileKind::BlockDevice:
            return "a block device";
        case FileKind::Socket:
            return "a socket";
        case FileKind::Other:
            break;
    }
    return "of another kind";
}

std::string RecordingFile::Opened::verdictText() const {
    switch (refusal) {
        case Refusal::NotRegular:
            return std::string("not a regular file (") + fileKindText(kind) + ")";
        case Refusal::Replaced:
            return "the file changed while it was opened";
        case Refusal::None:
        case Refusal::CannotOpen:
            break;
    }
    return "failed to open file";
}

std::string RecordingFile::Opened::identityText() const {
    if (refusal == Refusal::CannotOpen) {
        return std::string("cannot open the file: ") + std::strerror(error);
    }
    return verdictText();
}

RecordingFile::Opened RecordingFile::open(const std::string& path) {
    // Looked at before it is opened: opening a FIFO or a device can block
    // or act on the device.
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        return refused(Refusal::CannotOpen, FileKind::Regular, errno);
    }
    if (kindOf(before.st_mode) != FileKind::Regular) {
        return refused(Refusal::NotRegular, kindOf(before.st_mode), 0);
    }
    // Non-blocking all the same: the path may have been swapped since.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return refused(Refusal::CannotOpen, FileKind::Regular, errno);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return refused(Refusal::CannotOpen, FileKind::Regular, error);
    }
    if (kindOf(status.st_mode) != FileKind::Regular) {
        ::close(fd);
        return refused(Refusal::NotRegular, kindOf(status.st_mode), 0);
    }
    if (status.st_dev != before.st_dev || status.st_ino != before.st_ino) {
        ::close(fd);
        return refused(Refusal::Replaced, FileKind::Regular, 0);
    }
    Opened opened;
    try {
        opened.file.reset(new RecordingFile(fd, path, stampOf(status)));
    } catch (...) {
        ::close(fd);
        throw;
    }
    return opened;
}

RecordingFile::RecordingFile(int descriptor, std::string path, const FileStamp& stamp_)
    : fd(descriptor), filePath(std::move(path)), stamp(stamp_) {}

RecordingFile::~RecordingFile() {
    ::close(fd);
}

int64_t RecordingFile::readAt(int64_t offset, uint8_t* out, size_t length) const {
    if (offset < 0) {
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

bool RecordingFile::readExactly(int64_t offset, uint8_t* out, size_t length) const {
    size_t done = 0;
    while (done < length) {
        const int64_t got = readAt(offset + static_cast<int64_t>(done), out + done, length - done);
        if (got <= 0) {
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

void RecordingFile::adviseSequential() const {
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

bool RecordingFile::unchanged() const {
    struct stat now {};
    struct stat atPath {};
    return ::fstat(fd, &now) == 0 && stampOf(now) == stamp &&
           ::stat(filePath.c_str(), &atPath) == 0 && stampOf(atPath) == stamp;
}

}  // namespace nvr
