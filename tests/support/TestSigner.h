#pragma once

#include <openssl/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Produces what a recorder stores, so tests can build signed inputs: RSA
// signatures with a private key and HMACs, with digest selectors 1 (MD5),
// 2 (SHA-1), 3 (SHA-256) and 4 (SHA-512). It goes through OpenSSL by another
// path than the signature layer. Failures throw std::runtime_error.
class TestSigner {
  public:
    using Bytes = std::vector<uint8_t>;

    // Loads a PEM private key, such as tests/data/keys/demo-recorder-private.pem
    // whose public half is the built-in public key.
    explicit TestSigner(const std::string& pemPath);
    // A fresh RSA key of `bits`, for a key other than the built-in one.
    static TestSigner generateRsa(int bits = 2048);

    // RSASSA-PKCS1-v1_5 signature of `message`.
    Bytes sign(int digestType, const Bytes& message) const;
    // The public half as a DER SubjectPublicKeyInfo.
    Bytes publicKeyDer() const;

    static Bytes hmac(int digestType, const Bytes& key, const Bytes& message);

  private:
    explicit TestSigner(std::shared_ptr<EVP_PKEY> privateKey) : key(std::move(privateKey)) {}

    std::shared_ptr<EVP_PKEY> key;
};
