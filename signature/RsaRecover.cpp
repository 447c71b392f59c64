#include "signature/RsaRecover.h"

#include <openssl/err.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "signature/BuiltInKeys.h"
#include "signature/SslPtr.h"

bool opensWithBuiltInKey(const std::vector<uint8_t>& signature) {
    const KeyBytes der = builtInPublicKey();
    return opensWithKey(std::vector<uint8_t>(der.data, der.data + der.size), signature);
}

bool opensWithKey(const std::vector<uint8_t>& der, const std::vector<uint8_t>& signature) {
    const unsigned char* cursor = der.data();
    const EvpPkeyPtr key(d2i_PUBKEY(nullptr, &cursor, static_cast<long>(der.size())));
    bool opens = false;
    if (key != nullptr && !signature.empty()) {
        const EvpPkeyCtxPtr context(EVP_PKEY_CTX_new(key.get(), nullptr));
        std::vector<unsigned char> recovered(static_cast<size_t>(EVP_PKEY_get_size(key.get())));
        size_t length = recovered.size();
        opens = context != nullptr && EVP_PKEY_verify_recover_init(context.get()) == 1 &&
                EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1 &&
                EVP_PKEY_verify_recover(context.get(), recovered.data(), &length, signature.data(),
                                        signature.size()) == 1;
    }
    ERR_clear_error();  // an answer, not a failure: nothing stays queued
    return opens;
}
