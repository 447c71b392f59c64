#pragma once

#include <cstdint>
#include <vector>

#include "signature/DigestType.h"
#include "signature/MyMDContext.h"
#include "signature/SslPtr.h"

// Computes the HMAC of the bytes fed to it, through OpenSSL's MAC interface
// on a context duplicated from a per-digest template, so that one signer
// per cluster stays cheap even for clusters of a few KiB.
class MyHMACSign : public MyMDContext {
  public:
    // Keys the HMAC with exactly `key` (any non-zero length). Throws
    // DWMException: invalid arguments for an unknown digest or an empty key.
    MyHMACSign(const std::vector<uint8_t>& key, DigestType type);

    DWMErrorCode update(const uint8_t* data, size_t length) override;
    // Replaces `mac` with the MAC; returns NoError.
    DWMErrorCode final(std::vector<uint8_t>& mac) override;
    DWMErrorCode reset() override;

  private:
    void initSign();

    const std::vector<uint8_t> key;
    const DigestType type;
    EvpMacCtxPtr context;
};
