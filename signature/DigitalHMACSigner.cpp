#include "signature/DigitalHMACSigner.h"

#include <memory>

#include "signature/DWMException.h"
#include "signature/MyHMACSign.h"

DigitalHMACSigner::DigitalHMACSigner(DigestType digest, const uint8_t* keyData, int32_t keyLength)
    : iDigitalSigner(digest, copyKey(keyData, keyLength, builtInHmacKey())) {
    setContext(std::make_unique<MyHMACSign>(keyBytes(), digest));
}

DWMErrorCode DigitalHMACSigner::sign(std::vector<uint8_t>& mac) {
    iMyMDContext* const hmac = context();
    if (hmac == nullptr) {
        return DWMErrorCode::NotReady;
    }
    return hmac->final(mac);
}
