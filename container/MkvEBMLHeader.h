#pragma once

#include "container/MkvPayload.h"

namespace nvr {

// The EBML header (0x1A45DFA3). Its identity decides whether a file is taken
// at all; the version fields and DocType are stored, never compared.
class MkvEBMLHeader : public MkvElement {
  public:
    MkvEBMLHeader() = default;
    explicit MkvEBMLHeader(const MkvElement& header) { copyHeader(header); }

    // Throws MkvErrorCode::NotValidFile at headerOffset unless id is the EBML ID.
    int32_t parse() override;

    uint32_t ebmlVersion = 0;
    uint32_t ebmlReadVersion = 0;
    uint32_t ebmlMaxIdLength = 0;
    uint32_t ebmlMaxSizeLength = 0;
    ByteBuffer docType;
    uint32_t docTypeVersion = 0;
    uint32_t docTypeReadVersion = 0;
};

}  // namespace nvr
