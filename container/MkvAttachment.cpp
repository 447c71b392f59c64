#include "container/MkvAttachment.h"

#include "container/MkvFields.h"
#include "container/MkvIds.h"

namespace nvr {

int32_t MkvAttachFile::parse() {
    readFields(*this, {textField(ID_FILE_DESCRIPTION, fileDescription),
                       textField(ID_FILE_NAME, fileName),
                       textField(ID_FILE_MIME_TYPE, fileMimeType),
                       {ID_FILE_DATA,
                        [this](const MkvElement& child) {
                            fileDataOffset = child.dataOffset;
                            fileDataSize = child.dataSize;
                        }},
                       {ID_FILE_UID, fileUid}});
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
