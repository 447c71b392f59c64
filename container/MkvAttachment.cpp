#include "container/MkvAttachment.h"

#include "container/MkvIds.h"

namespace nvr {

int32_t MkvAttachFile::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        switch (child.id) {
            case ID_FILE_DESCRIPTION:
                fileDescription = readText(child);
                break;
            case ID_FILE_NAME:
                fileName = readText(child);
                break;
            case ID_FILE_MIME_TYPE:
                fileMimeType = readText(child);
                break;
            case ID_FILE_DATA:
                fileDataOffset = child.dataOffset;
                fileDataSize = child.dataSize;
                break;
            case ID_FILE_UID:
                fileUid = readU32(child);
                break;
            default:
                break;
        }
    });
    return 0;
}

MkvAttachment::MkvAttachment(iReader* source, int64_t offset) {
    headerOffset = offset;
    reader = source;
    if (reader == nullptr) {
        throw MkvException(MkvErrorCode::InvalidElement, offset);
    }
    readHeader(offset);
}

int32_t MkvAttachment::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        if (child.id == ID_ATTACHED_FILE) {
            MkvAttachFile file(child);
            file.parse();
            items.push_back(file);
        }
    });
    return 0;
}

}  // namespace nvr
