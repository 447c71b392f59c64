#pragma once

#include <cstdint>
#include <vector>

#include "signature/iDigitalSigner.h"

// Computes the HMAC of a message fed in pieces.
class DigitalHMACSigner : public iDigitalSigner {
  public:
    // Keys the HMAC with `keyLength` bytes at `key`, or with the built-in HMAC
    // key when `key` is null (the length is then ignored). Throws
    // DWMException: DWMErrorCode::InvalidArguments for a selector outside 1..4.
    explicit DigitalHMACSigner(DigestType type, const uint8_t* key = nullptr,
                               int32_t keyLength = 0);

    // `mac` receives exactly the MAC: 16, 20, 32 or 64 bytes by digest.
    DWMErrorCode sign(std::vector<uint8_t>& mac) override;
};
