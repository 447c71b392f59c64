#include "video/FrameCommands.h"

#include "report/FrameRecords.h"
#include "video/RecordingFrames.h"

std::string writeFrameLines(const std::string& path, std::ostream& out) {
    const RecordingFrames recording(path, false);
    const nvr::FrameIndex& index = *recording.index();
    for (const nvr::FrameEntry& entry : index.frames) {
        out << frameJsonLine(index, entry) << '\n';
    }
    return index.error;
}

StillFiles stillFiles(const std::string& path, int64_t frame) {
    RecordingFrames recording(path);
    return recording.still(frame);
}
