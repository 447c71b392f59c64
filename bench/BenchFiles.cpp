#include "BenchFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace bench {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// Closes the descriptor on every path out, including a throw.
class Fd {
  public:
    Fd(const std::string& path, int flags) : fd(::open(path.c_str(), flags, 0644)) {
        if (fd < 0) {
            fail("cannot open", path);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { ::close(fd); }
    int get() const { return fd; }

  private:
    int fd;
};

void writeAll(int fd, uint64_t offset, const ebml::Bytes& bytes, const std::string& path) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fail("cannot write", path);
        }
        done += static_cast<size_t>(n);
    }
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "telvar-bench-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        fail("cannot create", pattern);
    }
    dir = name.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

void writeFile(const std::string& path, const ebml::Bytes& bytes) {
    const Fd fd(path, O_WRONLY | O_CREAT | O_TRUNC);
    writeAll(fd.get(), 0, bytes, path);
}

void createSparse(const std::string& path, uint64_t size) {
    const Fd fd(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (::ftruncate(fd.get(), static_cast<off_t>(size)) != 0) {
        fail("cannot size", path);
    }
}

void writeAt(const std::string& path, uint64_t offset, const ebml::Bytes& bytes) {
    const Fd fd(path, O_WRONLY);
    writeAll(fd.get(), offset, bytes, path);
}

uint64_t allocatedBytes(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        fail("cannot stat", path);
    }
    return static_cast<uint64_t>(info.st_blocks) * 512u;
}

}  // namespace bench
