#include "signature/HmacTemplates.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <array>

#include "signature/SslPtr.h"

namespace {

struct Templates {
    EvpMacPtr mac;
    std::array<EvpMacCtxPtr, 4> contexts;  // MD5, SHA-1, SHA-256, SHA-512

    Templates() : mac(EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr)) {
        static const char* const kDigestNames[] = {"MD5", "SHA1", "SHA256", "SHA512"};
        for (size_t i = 0; mac && i < contexts.size(); ++i) {
            EvpMacCtxPtr context(EVP_MAC_CTX_new(mac.get()));
            const OSSL_PARAM params[] = {
                OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST,
                                                 const_cast<char*>(kDigestNames[i]), 0),
                OSSL_PARAM_construct_end()};
            if (context && EVP_MAC_CTX_set_params(context.get(), params) == 1) {
                contexts[i] = std::move(context);
            }
        }
        // A digest this OpenSSL lacks shows later as an unusable selector;
        // nothing of the failure may linger for an unrelated error.
        ERR_clear_error();
    }
};

}  // namespace

const EVP_MAC_CTX* hmacTemplate(DigestType type) {
    static const Templates templates;
    if (type < DIGEST_MD5 || type > DIGEST_SHA512) {
        return nullptr;
    }
    return templates.contexts[static_cast<size_t>(type - DIGEST_MD5)].get();
}
