#include "container/MkvEBMLHeader.h"

#include "container/MkvFields.h"
#include "container/MkvIds.h"

namespace nvr {

int32_t MkvEBMLHeader::parse() {
    if (id != ID_EBML) {
        throw MkvException(MkvErrorCode::NotValidFile, headerOffset);
    }
    readFields(*this, {{ID_EBML_VERSION, ebmlVersion},
                       {ID_EBML_READ_VERSION, ebmlReadVersion},
                       {ID_EBML_MAX_ID_LENGTH, ebmlMaxIdLength},
                       {ID_EBML_MAX_SIZE_LENGTH, ebmlMaxSizeLength},
                       textField(ID_DOCTYPE, docType),
                       {ID_DOCTYPE_VERSION, docTypeVersion},
                       {ID_DOCTYPE_READ_VERSION, docTypeReadVersion}});
    return 0;
}

}  // namespace nvr
