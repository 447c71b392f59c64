#include "container/MkvSegmentInfo.h"

#include "container/MkvIds.h"

namespace nvr {

int32_t MkvSegmentInfo::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        switch (child.id) {
            case ID_TIMECODE_SCALE:
                timecodeScale = readI64(child);
                break;
            case ID_MUXING_APP:
                muxingApp = readText(child);
                break;
            case ID_WRITING_APP:
                writingApp = readText(child);
                break;
            case ID_SEGMENT_UID:
                segmentUid = readText(child);
                break;
            case ID_DURATION:
                duration = readDouble(child);
                break;
            default:
                break;
        }
    });
    return 0;
}

}  // namespace nvr
