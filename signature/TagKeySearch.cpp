#include "signature/TagKeySearch.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include "signature/DigestType.h"
#include "signature/SslPtr.h"

namespace nvr {

std::optional<size_t> firstRsaKeyOver(const ByteBuffer& message, uint32_t digestType,
                                      const ByteBuffer& signature,
                                      const std::vector<EVP_PKEY*>& keys) {
    const EVP_MD* const md = evpDigest(static_cast<DigestType>(static_cast<int32_t>(digestType)));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    std::optional<size_t> found;
    if (md != nullptr && !signature.empty() &&
        EVP_Digest(message.data(), message.size(), digest, &digestLength, md, nullptr) == 1) {
        for (size_t i = 0; i < keys.size() && !found; ++i) {
            if (keys[i] == nullptr) {
                continue;
            }
            const EvpPkeyCtxPtr context(EVP_PKEY_CTX_new(keys[i], nullptr));
            if (context != nullptr && EVP_PKEY_verify_init(context.get()) == 1 &&
                EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1 &&
                EVP_PKEY_CTX_set_signature_md(context.get(), md) == 1 &&
                EVP_PKEY_verify(context.get(), signature.data(), signature.size(), digest,
                                digestLength) == 1) {
                found = i;
            }
        }
    }
    ERR_clear_error();  // a key that does not match is an answer, not a failure
    return found;
}

}  // namespace nvr
