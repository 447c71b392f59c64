#include "signature/Sha256.h"

#include "signature/DigestType.h"
#include "signature/SslError.h"

Sha256::Sha256() : context(EVP_MD_CTX_new()) {
    requireSsl(context != nullptr);
    requireSsl(EVP_DigestInit_ex(context.get(), evpDigest(DIGEST_SHA256), nullptr) == 1);
}

void Sha256::update(const void* data, size_t size) {
    requireSsl(EVP_DigestUpdate(context.get(), data, size) == 1);
}

std::string Sha256::finishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    requireSsl(EVP_DigestFinal_ex(context.get(), digest, &length) == 1);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return hex;
}

std::string sha256Hex(const void* data, size_t size) {
    Sha256 digest;
    digest.update(data, size);
    return digest.finishHex();
}
