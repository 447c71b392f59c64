#include "cli/FrameActions.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "report/Escape.h"
#include "video/FrameCommands.h"

namespace {

constexpr int kNotWritten = 3;

// STILL.png gives STILL.json; any other name gets ".json" added.
std::string recordPathOf(const std::string& png) {
    const std::string suffix = ".png";
    if (png.size() > suffix.size() &&
        png.compare(png.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return png.substr(0, png.size() - suffix.size()) + ".json";
    }
    return png + ".json";
}

// A new file only: a still never replaces anything, least of all the
// recording it came from.
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

int printFrames(const CliOptions& options) {
    const std::string& path = options.files.front();
    const std::string error = writeFrameLines(path, std::cout);
    std::cout.flush();
    if (!error.empty()) {
        std::cerr << "telvar-verify: " << displayText(path) << ": " << displayText(error) << '\n';
        return 1;
    }
    return 0;
}

int writeStill(const CliOptions& options) {
    const std::string& path = options.files.front();
    const StillFiles still = stillFiles(path, options.stillFrame);
    if (!still.error.empty()) {
        std::cerr << "telvar-verify: " << displayText(path) << ": frame " << options.stillFrame
                  << ": " << displayText(still.error) << '\n';
        return 1;
    }
    const std::string recordPath = recordPathOf(options.stillOut);
    std::string why;
    if (!writeNew(options.stillOut, still.png.data(), still.png.size(), why)) {
        std::cerr << "telvar-verify: " << displayText(options.stillOut) << ": "
                  << displayText(why) << '\n';
        return kNotWritten;
    }
    if (!writeNew(recordPath, still.record.data(), still.record.size(), why)) {
        std::cerr << "telvar-verify: " << displayText(recordPath) << ": " << displayText(why)
                  << '\n';
        ::unlink(options.stillOut.c_str());
        return kNotWritten;
    }
    std::cout << displayText(options.stillOut) << '\n' << displayText(recordPath) << '\n';
    return 0;
}
