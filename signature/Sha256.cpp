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

std::array<uint8_t, 32> Sha256::finishBytes() {
    std::array<uint8_t, 32> digest{};
    unsigned int length = 0;
    requireSsl(EVP_DigestFinal_ex(context.get(), digest.data(), &length) == 1 &&
               length == digest.size());
    return digest;
}

std::string Sha256::finishHex() {
    const std::array<uint8_t, 32> digest = finishBytes();
    return hexBytes(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

std::string sha256Hex(const void* data, size_t size) {
    Sha256 digest;
    digest.update(data, size);
    return digest.finishHex();
}
