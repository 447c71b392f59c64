#pragma once

#include <openssl/types.h>

#include <cstdint>

// Digest selector as the recorder stores it in its signature elements. The
// value comes from the file, so any int32 may arrive here.
enum DigestType : int32_t {
    DIGEST_MD5 = 1,
    DIGEST_SHA1 = 2,
    DIGEST_SHA256 = 3,
    DIGEST_SHA512 = 4,
};

// OpenSSL's digest for a selector; null for anything outside 1..4.
const EVP_MD* evpDigest(DigestType type);

// "MD5", "SHA-1", "SHA-256", "SHA-512", or "unknown digest".
const char* digestName(uint32_t digestType);
