#pragma once

#include "container/MkvPayload.h"

namespace nvr {

// The recorder's signature element (0x4153), a child of a Cluster or of the
// recorder tag: how the bytes after it in its parent are signed, and the
// signature or keyed-hash value they are checked against.
class NvrSignature : public MkvElement {
  public:
    NvrSignature() = default;
    explicit NvrSignature(const MkvElement& header) { copyHeader(header); }

    int32_t parse() override;

    uint32_t signatureKind = 0;  // 1 RSA, 2 HMAC, anything else is passed over
    uint32_t digestType = 0;     // handed unchanged to the signature layer
    ByteBuffer signatureBytes;   // exactly the stored bytes
};

}  // namespace nvr
