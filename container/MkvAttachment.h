#pragma once

#include "container/MkvPayload.h"
#include "container/tMkvList.h"

namespace nvr {

// One attached file (0x61A7). Its data is never read: only where it lies.
struct MkvAttachFile : MkvElement {
    MkvAttachFile() = default;
    explicit MkvAttachFile(const MkvElement& header) { copyHeader(header); }

    int32_t parse() override;

    ByteBuffer fileDescription;
    ByteBuffer fileName;
    ByteBuffer fileMimeType;
    int64_t fileDataOffset = 0;
    int64_t fileDataSize = 0;
    uint32_t fileUid = 0;
};

// The attachments (0x1941A469).
class MkvAttachment : public tMkvList<MkvAttachFile> {
  public:
    MkvAttachment() = default;
    explicit MkvAttachment(const MkvElement& header) : tMkvList(header) {}
    // Reads the header at `offset`; throws MkvErrorCode::InvalidElement without a reader.
    MkvAttachment(iReader* source, int64_t offset);

    int32_t parse() override;
};

}  // namespace nvr
