#include "container/TNVRTag.h"

#include "container/MkvIds.h"

namespace nvr {

int32_t TNVRTag::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        switch (child.id) {
            case ID_NVR_TAG_NUMBER1:
                tagNumber1 = readU32(child);
                break;
            case ID_NVR_TAG_NUMBER2:
                tagNumber2 = readU32(child);
                break;
            case ID_NVR_SERIAL_NUMBER:
                serialNumber = readBinary(child);
                serialNumberAt = child.headerOffset;
                break;
            case ID_NVR_START_TIME:
                startTime = readBinary(child);
                startTimeAt = child.headerOffset;
                break;
            case ID_NVR_END_TIME:
                endTime = readBinary(child);
                endTimeAt = child.headerOffset;
                break;
            case ID_NVR_FINAL_SIGNATURE:
                finalSignature = readBinary(child);
                finalSignatureAt = child.headerOffset;
                break;
            default:
                break;
        }
    });
    return 0;
}

}  // namespace nvr
