#include "container/NvrSignature.h"

#include "container/MkvFields.h"
#include "container/MkvIds.h"

namespace nvr {

int32_t NvrSignature::parse() {
    readFields(*this, {{ID_NVR_SIGNATURE_KIND, signatureKind},
                       {ID_NVR_DIGEST_TYPE, digestType},
                       binaryField(ID_NVR_SIGNATURE_BYTES, signatureBytes)});
    return 0;
}

}  // namespace nvr
