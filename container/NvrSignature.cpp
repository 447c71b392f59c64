#include "container/NvrSignature.h"

#include "container/MkvIds.h"

namespace nvr {

int32_t NvrSignature::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        switch (child.id) {
            case ID_NVR_SIGNATURE_KIND:
                signatureKind = readU32(child);
                break;
            case ID_NVR_DIGEST_TYPE:
                digestType = readU32(child);
                break;
            case ID_NVR_SIGNATURE_BYTES:
                signatureBytes = readBinary(child);
                break;
            default:
                break;
        }
    });
    return 0;
}

}  // namespace nvr
