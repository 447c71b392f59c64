#pragma once

#include <openssl/evp.h>

#include <memory>

// Every OpenSSL object has exactly one owner, which frees it with the
// library's function for its type.
template <auto Free>
struct SslDeleter {
    template <typename T>
    void operator()(T* object) const noexcept {
        Free(object);
    }
};

using EvpPkeyPtr = std::unique_ptr<EVP_PKEY, SslDeleter<EVP_PKEY_free>>;
using EvpMdPtr = std::unique_ptr<EVP_MD, SslDeleter<EVP_MD_free>>;
using EvpMdCtxPtr = std::unique_ptr<EVP_MD_CTX, SslDeleter<EVP_MD_CTX_free>>;
using EvpMacPtr = std::unique_ptr<EVP_MAC, SslDeleter<EVP_MAC_free>>;
using EvpMacCtxPtr = std::unique_ptr<EVP_MAC_CTX, SslDeleter<EVP_MAC_CTX_free>>;
using EvpPkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, SslDeleter<EVP_PKEY_CTX_free>>;
