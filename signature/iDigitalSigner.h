#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "signature/DigitalSignature.h"

// A signer that produces a value for the caller to compare, rather than
// checking one itself.
class iDigitalSigner : public DigitalSignature {
  public:
    virtual ~iDigitalSigner() = default;

    // Ends the message and replaces `mac` with its value; returns NoError,
    // or NotReady without a context.
    virtual DWMErrorCode sign(std::vector<uint8_t>& mac) = 0;

    // verify would report any value as valid on a signer: compare the result
    // of sign instead.
    DWMErrorCode verify(const std::vector<uint8_t>& signature) = delete;

  protected:
    iDigitalSigner(DigestType digest, std::vector<uint8_t> keyCopy)
        : DigitalSignature(digest, std::move(keyCopy)) {}
};
