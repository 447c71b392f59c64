#include "cli/ReportWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

ReportWriter::ReportWriter(const std::string& path_) : path(path_) {
    // A name of its own beside the report, so the rename stays on one file system.
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".part-XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        why = std::strerror(errno);
        return;
    }
    partPath = name.data();
    ::fchmod(fd, 0644);  // a report to be read by others, not a secret
    file.reset(::fdopen(fd, "wb"));
    if (!file) {
        why = std::strerror(errno);
        ::close(fd);
        std::remove(partPath.c_str());
        partPath.clear();
    }
}

ReportWriter::~ReportWriter() {
    if (!committed && !partPath.empty()) {
        file.reset();
        std::remove(partPath.c_str());
    }
}

bool ReportWriter::commit(const std::string& contents) {
    if (!file) {
        return false;
    }
    bool ok = std::fwrite(contents.data(), 1, contents.size(), file.get()) == contents.size() &&
              std::fflush(file.get()) == 0 && ::fsync(fileno(file.get())) == 0;
    int failure = ok ? 0 : errno;
    if (std::fclose(file.release()) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && std::rename(partPath.c_str(), path.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        why = std::strerror(failure);
        return false;
    }
    committed = true;
    return true;
}
