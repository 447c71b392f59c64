#pragma once

#include <cstddef>
#include <cstdint>

// The recorder's keys, compiled in from TELVAR_KEY_DIR at configure time.

// DER SubjectPublicKeyInfo of the recorder's 2048-bit RSA key.
constexpr size_t kBuiltInPublicKeySize = 294;
extern const uint8_t kBuiltInPublicKey[kBuiltInPublicKeySize];

// The HMAC key: a 32-bit little-endian length word, then the key bytes.
constexpr size_t kBuiltInHmacKeySize = 16;
extern const uint8_t kBuiltInHmacKey[4 + kBuiltInHmacKeySize];

struct KeyBytes {
    const uint8_t* data;
    size_t size;
};

KeyBytes builtInPublicKey();
// The HMAC key bytes, with the length its word gives.
KeyBytes builtInHmacKey();
