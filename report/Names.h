#pragma once

#include <cstdint>
#include <string>

// Names for the numbers a report shows: stable codes for machines, labels for people.

// 1 "rsa", 2 "hmac", 0 "none", anything else "unknown".
const char* signatureKindCode(uint8_t kind);
// 1 "RSA", 2 "HMAC", 0 "none", anything else "unknown".
const char* signatureKindLabel(uint8_t kind);
// 1 "md5", 2 "sha1", 3 "sha256", 4 "sha512", 0 "none", else "unknown".
const char* digestCode(uint8_t digest);
// 1 "MD5", 2 "SHA-1", 3 "SHA-256", 4 "SHA-512", 0 "none", else "unknown".
const char* digestLabel(uint8_t digest);

// The file name without its directory.
std::string fileNameOf(const std::string& path);
