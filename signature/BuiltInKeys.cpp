#include "signature/BuiltInKeys.h"

KeyBytes builtInPublicKey() {
    return {kBuiltInPublicKey, kBuiltInPublicKeySize};
}

KeyBytes builtInHmacKey() {
    const uint8_t* const word = kBuiltInHmacKey;
    const uint32_t length = uint32_t{word[0]} | uint32_t{word[1]} << 8 | uint32_t{word[2]} << 16 |
                            uint32_t{word[3]} << 24;
    return {kBuiltInHmacKey + 4, length};
}
