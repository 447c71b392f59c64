#include "container/MkvCue.h"

#include "container/MkvFields.h"
#include "container/MkvIds.h"
#include "container/MkvPayload.h"

namespace nvr {

int32_t MkvTrackPos::parse() {
    readFields(*this, {{ID_CUE_TRACK, cueTrack}, {ID_CUE_CLUSTER_POSITION, cueClusterPosition}});
    return 0;
}

int32_t MkvCuePoint::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        if (child.id == ID_CUE_TIME) {
            cueTime = readI64(child);
        } else if (child.id == ID_CUE_TRACK_POSITIONS) {
            MkvTrackPos position(child);
            position.parse();
            items.push_back(position);
        }
    });
    return 0;
}

int32_t MkvCue::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        if (child.id == ID_CUE_POINT) {
            MkvCuePoint point(child);
            point.parse();
            items.push_back(point);
        }
    });
    return 0;
}

}  // namespace nvr
