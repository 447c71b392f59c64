#include "report/Names.h"

#include <cstdio>

const char* signatureKindCode(uint8_t kind) {
    return kind == 1 ? "rsa" : kind == 2 ? "hmac" : kind == 0 ? "none" : "unknown";
}

const char* signatureKindLabel(uint8_t kind) {
    return kind == 1 ? "RSA" : kind == 2 ? "HMAC" : kind == 0 ? "none" : "unknown";
}

const char* digestCode(uint8_t digest) {
    static const char* const kCodes[] = {"none", "md5", "sha1", "sha256", "sha512"};
    return digest < 5 ? kCodes[digest] : "unknown";
}

const char* digestLabel(uint8_t digest) {
    static const char* const kLabels[] = {"none", "MD5", "SHA-1", "SHA-256", "SHA-512"};
    return digest < 5 ? kLabels[digest] : "unknown";
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
