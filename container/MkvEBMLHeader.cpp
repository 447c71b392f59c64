#include "container/MkvEBMLHeader.h"

#include "container/MkvIds.h"

namespace nvr {

int32_t MkvEBMLHeader::parse() {
    if (id != ID_EBML) {
        throw MkvException(MkvErrorCode::NotValidFile, headerOffset);
    }
    walkChildren(*this, [this](const MkvElement& child) {
        switch (child.id) {
            case ID_EBML_VERSION:
                ebmlVersion = readU32(child);
                break;
            case ID_EBML_READ_VERSION:
                ebmlReadVersion = readU32(child);
                break;
            case ID_EBML_MAX_ID_LENGTH:
                ebmlMaxIdLength = readU32(child);
                break;
            case ID_EBML_MAX_SIZE_LENGTH:
                ebmlMaxSizeLength = readU32(child);
                break;
            case ID_DOCTYPE:
                docType = readText(child);
                break;
            case ID_DOCTYPE_VERSION:
                docTypeVersion = readU32(child);
                break;
            case ID_DOCTYPE_READ_VERSION:
                docTypeReadVersion = readU32(child);
                break;
            default:
                break;
        }
    });
    return 0;
}

}  // namespace nvr
