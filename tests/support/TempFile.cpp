#include "support/TempFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

TempFile::TempFile(const ebml::Bytes& contents, const std::string& suffix) {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern =
        std::string(dir != nullptr ? dir : "/tmp") + "/telvar-test-XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0) {
        throw std::runtime_error("cannot create a temporary file");
    }
    ::close(fd);
    filePath = name.data();
    write(contents);
}

TempFile::~TempFile() {
    std::remove(filePath.c_str());
}

void TempFile::write(const ebml::Bytes& contents) const {
    std::FILE* f = std::fopen(filePath.c_str(), "wb");
    if (f == nullptr) {
        throw std::runtime_error("cannot write " + filePath);
    }
    const size_t written =
        contents.empty() ? 0 : std::fwrite(contents.data(), 1, contents.size(), f);
    std::fclose(f);
    if (written != contents.size()) {
        throw std::runtime_error("short write to " + filePath);
    }
}

void TempFile::writeAt(unsigned long long offset, const ebml::Bytes& contents) const {
    const int fd = ::open(filePath.c_str(), O_WRONLY);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + filePath);
    }
    const ssize_t written =
        ::pwrite(fd, contents.data(), contents.size(), static_cast<off_t>(offset));
    ::close(fd);
    if (written != static_cast<ssize_t>(contents.size())) {
        throw std::runtime_error("short write to " + filePath);
    }
}
