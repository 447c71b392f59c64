#include "signature/DigitalHMACSigner.h"

#include <memory>

#include "signature/DWMException.h"
#include "signature/MyHMACSign.h"

DigitalHMACSigner::DigitalHMACSigner(DigestType type, const uint8_t* key, int32_t keyLength)
    : iDigitalSigner(type, copyKey(key, keyLength, builtInHmacKey())) {
    setContext(std::make_unique<MyHMACSign>(keyBytes(), type));
}

int DigitalHMACSigner::sign(std::vector<uint8_t>& mac) {
    iMyMDContext* const hmac = context();
    if (hmac == nullptr) {
        return DWM_NOT_READY;
    }
    return hmac->final(mac);
}
