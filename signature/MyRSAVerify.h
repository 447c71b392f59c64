#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "signature/DigestType.h"
#include "signature/MyMDContext.h"

// Verifies an RSASSA-PKCS1-v1_5 signature over the bytes fed to it.
class MyRSAVerify : public MyMDContext {
  public:
    // Reads the key first, so an unreadable key is reported before a bad
    // selector. Throws DWMException.
    MyRSAVerify(const std::vector<uint8_t>& derKey, DigestType type);

    // NoError when `signature` is valid, Failed when it is not.
    DWMErrorCode final(std::vector<uint8_t>& signature) override;
    DWMErrorCode reset() override;

    // An RSA key from a DER SubjectPublicKeyInfo; throws DWMErrorCode::SslError for
    // anything else, keys of other algorithms included.
    static EvpPkeyPtr loadPublicKey(const uint8_t* der, size_t length);

  private:
    void initVerify();
};
