#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "signature/DWMException.h"

// One streaming digest-plus-signature operation under one key and digest.
class iMyMDContext {
  public:
    // Feeds the next bytes of the message; returns NoError.
    virtual DWMErrorCode update(const uint8_t* data, size_t length) = 0;
    // Ends the message: checks `bytes` as its signature (RSA) or receives its
    // MAC (HMAC).
    virtual DWMErrorCode final(std::vector<uint8_t>& bytes) = 0;
    // Makes the object ready for a new message; returns NoError.
    virtual DWMErrorCode reset() = 0;
    virtual ~iMyMDContext() = default;
};
