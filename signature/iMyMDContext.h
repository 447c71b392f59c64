#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One streaming digest-plus-signature operation under one key and digest.
class iMyMDContext {
  public:
    // Feeds the next bytes of the message; returns 0.
    virtual int update(const uint8_t* data, size_t length) = 0;
    // Ends the message: checks `bytes` as its signature (RSA) or receives its
    // MAC (HMAC).
    virtual int final(std::vector<uint8_t>& bytes) = 0;
    // Makes the object ready for a new message; returns 0.
    virtual int reset() = 0;
    virtual ~iMyMDContext() = default;
};
