#include "signature/Sha256.h"

#include "signature/DigestType.h"
#include "signature/Hex.h"
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
    return hexBytes(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string sha256Hex(const void* data, size_t size) {
    Sha256 digest;
    digest.update(data, size);
    return digest.finishHex();
}
