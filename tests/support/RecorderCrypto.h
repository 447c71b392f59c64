#pragma once

#include <openssl/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The recorder's side of the cryptography: it signs where the program
// verifies. Kept apart from the product's signature layer on purpose, so a
// fault there cannot cancel out against the same fault here.
namespace recorder {

using Bytes = std::vector<uint8_t>;

// Signature kinds as stored in a signature element.
constexpr uint32_t kKindRsa = 1;
constexpr uint32_t kKindHmac = 2;

// MAC size of digest selector 1 (MD5) to 4 (SHA-512); 0 for any other.
size_t digestSize(uint32_t digestType);

struct PkeyDeleter {
    void operator()(EVP_PKEY* key) const;
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyDeleter>;

// The recorder's own keys: the RSA private key whose public half the
// program has built in, and the built-in HMAC key.
struct RecorderKeys {
    PkeyPtr rsaPrivate;
    Bytes hmacKey;

    // Throws std::runtime_error when a file is missing or not a key.
    static RecorderKeys load(const std::string& privateKeyPem, const std::string& hmacKeyFile);
    // The demo recorder's keys, read once from the files named at build time.
    static const RecorderKeys& defaults();

    // Bytes of an RSA signature made with `rsaPrivate`.
    size_t rsaSize() const;
};

// The public half of `key` as PEM ("-----BEGIN PUBLIC KEY-----"), as a
// recorder's owner hands it to an examiner. Throws std::runtime_error.
std::string publicKeyPem(EVP_PKEY* key);

// One signature over a message fed in pieces: HMAC under any key bytes, or
// RSASSA-PKCS1-v1_5 with a private key. Throws std::runtime_error on any
// library failure and std::invalid_argument for a digest outside 1..4.
class StreamSigner {
  public:
    static StreamSigner hmac(uint32_t digestType, const Bytes& key);
    static StreamSigner rsa(uint32_t digestType, EVP_PKEY* privateKey);

    void update(const uint8_t* data, size_t length);
    void update(const Bytes& data) { update(data.data(), data.size()); }
    // Ends the message; the signer is spent afterwards.
    Bytes finish();

  private:
    struct CtxDeleter {
        void operator()(EVP_MD_CTX* ctx) const;
    };

    StreamSigner() = default;

    std::unique_ptr<EVP_MD_CTX, CtxDeleter> ctx;
    PkeyPtr macKey;  // HMAC only; the context refers to it
};

}  // namespace recorder
