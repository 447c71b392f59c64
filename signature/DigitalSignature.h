#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "signature/BuiltInKeys.h"
#include "signature/DWMException.h"
#include "signature/DigestType.h"
#include "signature/iMyMDContext.h"

// Checks an RSA signature over a message fed in pieces. One object per
// message: construct, update any number of times, verify once.
class DigitalSignature {
  public:
    // Uses the DER SubjectPublicKeyInfo of `keyLength` bytes at `key`, or the
    // built-in public key when `key` is null (the length is then ignored).
    // Throws DWMException: DWMErrorCode::SslError for an unreadable or non-RSA key,
    // then DWMErrorCode::InvalidArguments for a selector outside 1..4.
    explicit DigitalSignature(DigestType type, const uint8_t* key = nullptr, int32_t keyLength = 0);
    DigitalSignature(const DigitalSignature&) = delete;
    DigitalSignature& operator=(const DigitalSignature&) = delete;
    ~DigitalSignature();

    // Feeds the next bytes; returns NoError, or NotReady without a context.
    DWMErrorCode update(const uint8_t* data, size_t count);
    // NoError for a valid signature, Failed when it does not match (wrong
    // length included), NotReady without a context.
    DWMErrorCode verify(const std::vector<uint8_t>& signature);

    DigestType digestType() const { return type; }

  protected:
    // For signers that make their own context over the stored key copy.
    DigitalSignature(DigestType type, std::vector<uint8_t> keyCopy);

    // The caller's key bytes, or the built-in key when `key` is null. Throws
    // DWMErrorCode::InvalidArguments for a negative length.
    static std::vector<uint8_t> copyKey(const uint8_t* key, int32_t length, KeyBytes builtIn);

    const std::vector<uint8_t>& keyBytes() const { return key; }
    iMyMDContext* context() const { return digestContext.get(); }
    void setContext(std::unique_ptr<iMyMDContext> newContext);

  private:
    DigestType type;
    std::vector<uint8_t> key;
    std::unique_ptr<iMyMDContext> digestContext;
};
