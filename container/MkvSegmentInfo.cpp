#include "container/MkvSegmentInfo.h"

#include "container/MkvFields.h"
#include "container/MkvIds.h"

namespace nvr {

int32_t MkvSegmentInfo::parse() {
    readFields(*this, {{ID_TIMECODE_SCALE, timecodeScale},
                       textField(ID_MUXING_APP, muxingApp),
                       textField(ID_WRITING_APP, writingApp),
                       textField(ID_SEGMENT_UID, segmentUid),
                       {ID_DURATION, duration}});
    return 0;
}

}  // namespace nvr
