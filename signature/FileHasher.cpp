#include "signature/FileHasher.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <system_error>
#include <thread>

#include "signature/Sha256.h"

namespace {

constexpr size_t kPiece = size_t{1} << 20;

// Owns one file descriptor.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd_) : fd(fd_) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int get() const { return fd; }

  private:
    int fd;
};

std::string utcText(const timespec& at) {
    std::tm tm{};
    if (gmtime_r(&at.tv_sec, &tm) == nullptr) {
        return std::string();
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

// A regular file of at most a piece; anything else is hashed as before.
bool isSmallFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_size <= static_cast<off_t>(kPiece);
}

std::string systemText(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

struct FileHasher::State {
    const std::atomic<bool>* cancel = nullptr;
    std::atomic<bool> stop{false};  // the hasher is going away
    FileIdentity identity;
    std::thread thread;
    bool ran = false;

    bool cancelled() const { return stop.load() || (cancel != nullptr && cancel->load()); }
    void run() noexcept;
    void hash();
    // Reads to the end into `digest`; the bytes read, or -1 after setting the error.
    int64_t readAll(int fd, Sha256& digest);
};

void FileHasher::State::run() noexcept {
    try {
        hash();
    } catch (const std::exception& e) {
        identity.sha256.clear();
        identity.error = std::string("cannot hash the file: ") + e.what();
    } catch (...) {
        identity.sha256.clear();
        identity.error = "cannot hash the file";
    }
    ran = true;
}

void FileHasher::State::hash() {
    // Non-blocking open: a FIFO in place of a recording must not hang us.
    const FileDescriptor file(::open(identity.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        identity.error = systemText("cannot open the file", errno);
        return;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        identity.error = systemText("cannot read the file's status", errno);
        return;
    }
    if (!S_ISREG(status.st_mode)) {
        identity.error = "not a regular file";
        return;
    }
    identity.size = static_cast<int64_t>(status.st_size);
    identity.modifiedUtc = utcText(status.st_mtim);
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    Sha256 digest;
    const int64_t read = readAll(file.get(), digest);
    if (read < 0) {
        return;
    }
    if (read != identity.size) {
        identity.error = "the file changed size while it was hashed (" + std::to_string(read) +
                         " bytes read, " + std::to_string(identity.size) + " expected)";
        return;
    }
    identity.sha256 = digest.finishHex();
}

int64_t FileHasher::State::readAll(int fd, Sha256& digest) {
    // Sized to the file, and not cleared: a run of small files paid more
    // for a zeroed megabyte each than for their hashes.
    const auto most = static_cast<int64_t>(kPiece);
    const size_t size = static_cast<size_t>(
        std::max<int64_t>(identity.size < most ? identity.size + 1 : most, 4096));
    const std::unique_ptr<unsigned char[]> piece(new unsigned char[size]);
    int64_t total = 0;
    for (;;) {
        if (cancelled()) {
            identity.error = "hashing was cancelled";
            return -1;
        }
        const ssize_t got = ::read(fd, piece.get(), size);
        if (got == 0) {
            return total;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            identity.error =
                systemText(("read error at offset " + std::to_string(total)).c_str(), errno);
            return -1;
        }
        digest.update(piece.get(), static_cast<size_t>(got));
        total += got;
    }
}

FileHasher::FileHasher(const std::string& path, const std::atomic<bool>* cancel, Where where)
    : state(std::make_unique<State>()) {
    state->identity.path = path;
    state->cancel = cancel;
    if (where == Where::InFinishIfSmall && isSmallFile(path)) {
        return;
    }
    try {
        State* const s = state.get();
        state->thread = std::thread([s] { s->run(); });
    } catch (const std::system_error&) {
        // No thread to spare: finish() hashes on the caller's thread.
    }
}

FileHasher::~FileHasher() {
    state->stop = true;
    if (state->thread.joinable()) {
        state->thread.join();
    }
}

FileIdentity FileHasher::finish() {
    if (state->thread.joinable()) {
        state->thread.join();
    } else if (!state->ran) {
        state->run();
    }
    return state->identity;
}
