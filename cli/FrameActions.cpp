#include "cli/FrameActions.h"

#include <iostream>

#include "report/Escape.h"
#include "video/FrameCommands.h"

namespace {

constexpr int kNotWritten = 3;

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
    std::string failed;
    std::string why;
    if (!writeStillFiles(still, options.stillOut, failed, why)) {
        std::cerr << "telvar-verify: " << displayText(failed) << ": " << displayText(why) << '\n';
        return kNotWritten;
    }
    std::cout << displayText(options.stillOut) << '\n'
              << displayText(stillRecordPath(options.stillOut)) << '\n';
    return 0;
}
