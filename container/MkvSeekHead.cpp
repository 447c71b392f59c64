#include "container/MkvSeekHead.h"

#include "container/MkvFields.h"
#include "container/MkvIds.h"
#include "container/MkvPayload.h"

namespace nvr {

int32_t MkvSeek::parse() {
    readFields(*this, {{ID_SEEK_ID, seekId}, {ID_SEEK_POSITION, seekPosition}});
    return 0;
}

int32_t MkvSeekHead::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        if (child.id != ID_SEEK) {
            return;
        }
        MkvSeek seek(child);
        seek.parse();
        if (seek.seekId != 0 && seek.seekPosition > 0) {
            items.push_back(seek);
        }
    });
    return 0;
}

}  // namespace nvr
