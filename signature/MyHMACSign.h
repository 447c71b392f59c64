#pragma once

#include <cstdint>
#include <vector>

#include "signature/DigestType.h"
#include "signature/MyMDContext.h"

// Computes the HMAC of the bytes fed to it.
class MyHMACSign : public MyMDContext {
  public:
    // Keys the HMAC with exactly `key` (any length). Throws DWMException.
    MyHMACSign(const std::vector<uint8_t>& key, DigestType type);

    // Replaces `mac` with the MAC; returns 0.
    int final(std::vector<uint8_t>& mac) override;
    int reset() override;

  private:
    void initSign();
};
