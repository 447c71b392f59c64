#include "container/TNVRTag.h"

#include "container/MkvFields.h"
#include "container/MkvIds.h"

namespace nvr {

int32_t TNVRTag::parse() {
    readFields(*this, {{ID_NVR_TAG_NUMBER1, tagNumber1},
                       {ID_NVR_TAG_NUMBER2, tagNumber2},
                       binaryField(ID_NVR_SERIAL_NUMBER, serialNumber, &serialNumberAt),
                       binaryField(ID_NVR_START_TIME, startTime, &startTimeAt),
                       binaryField(ID_NVR_END_TIME, endTime, &endTimeAt),
                       binaryField(ID_NVR_FINAL_SIGNATURE, finalSignature, &finalSignatureAt)});
    return 0;
}

}  // namespace nvr
