#pragma once

#include <cstdint>
#include <vector>

// Whether the built-in RSA public key opens `signature`: its PKCS#1 v1.5
// padding and digest header come out intact. A signature that opens but does
// not match was made by the recorder's key over other bytes (the bytes were
// changed); one that does not open was made with another key, or is no
// signature at all. Never throws.
bool opensWithBuiltInKey(const std::vector<uint8_t>& signature);
// The same with the DER SubjectPublicKeyInfo `der`.
bool opensWithKey(const std::vector<uint8_t>& der, const std::vector<uint8_t>& signature);
