#include "signature/DigestType.h"

#include <openssl/evp.h>

const EVP_MD* evpDigest(DigestType type) {
    switch (type) {
        case DIGEST_MD5:
            return EVP_md5();
        case DIGEST_SHA1:
            return EVP_sha1();
        case DIGEST_SHA256:
            return EVP_sha256();
        case DIGEST_SHA512:
            return EVP_sha512();
        default:
            return nullptr;
    }
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
