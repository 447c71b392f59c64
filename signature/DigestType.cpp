#include "signature/DigestType.h"

#include <openssl/evp.h>

#include "signature/SslPtr.h"

namespace {

// Fetched once for the process: EVP_sha256() and its kin make OpenSSL look
// the implementation up again at every use, which cost more than hashing a
// small value. Where the fetch fails (MD5 under a FIPS provider), the
// library's own object, which fails as before when it is used.
const EVP_MD* fetched(DigestType type) {
    static const EvpMdPtr kinds[] = {
        EvpMdPtr(EVP_MD_fetch(nullptr, "MD5", nullptr)),
        EvpMdPtr(EVP_MD_fetch(nullptr, "SHA1", nullptr)),
        EvpMdPtr(EVP_MD_fetch(nullptr, "SHA256", nullptr)),
        EvpMdPtr(EVP_MD_fetch(nullptr, "SHA512", nullptr)),
    };
    return kinds[type - DIGEST_MD5].get();
}

}  // namespace

const EVP_MD* evpDigest(DigestType type) {
    const EVP_MD* legacy = nullptr;
    switch (type) {
        case DIGEST_MD5:
            legacy = EVP_md5();
            break;
        case DIGEST_SHA1:
            legacy = EVP_sha1();
            break;
        case DIGEST_SHA256:
            legacy = EVP_sha256();
            break;
        case DIGEST_SHA512:
            legacy = EVP_sha512();
            break;
        default:
            return nullptr;
    }
    const EVP_MD* const md = fetched(type);
    return md != nullptr ? md : legacy;
}

const char* digestName(uint32_t digestType) {
    switch (digestType) {
        case DIGEST_MD5:
            return "MD5";
        case DIGEST_SHA1:
            return "SHA-1";
        case DIGEST_SHA256:
            return "SHA-256";
        case DIGEST_SHA512:
            return "SHA-512";
        default:
            return "unknown digest";
    }
}
