#include "signature/DigitalSignature.h"

#include <utility>

#include "signature/DWMException.h"
#include "signature/MyRSAVerify.h"

DigitalSignature::DigitalSignature(DigestType type_, const uint8_t* key_, int32_t keyLength)
    : DigitalSignature(type_, copyKey(key_, keyLength, builtInPublicKey())) {
    setContext(std::make_unique<MyRSAVerify>(key, type));
}

DigitalSignature::DigitalSignature(DigestType type_, std::vector<uint8_t> keyCopy)
    : type(type_), key(std::move(keyCopy)) {}

DigitalSignature::~DigitalSignature() = default;

std::vector<uint8_t> DigitalSignature::copyKey(const uint8_t* key, int32_t length,
                                               KeyBytes builtIn) {
    if (key == nullptr) {
        return std::vector<uint8_t>(builtIn.data, builtIn.data + builtIn.size);
    }
    if (length < 0) {
        throw DWMException(DWMErrorCode::InvalidArguments);
    }
    return std::vector<uint8_t>(key, key + length);
}

void DigitalSignature::setContext(std::unique_ptr<iMyMDContext> newContext) {
    digestContext = std::move(newContext);
}

DWMErrorCode DigitalSignature::update(const uint8_t* data, size_t count) {
    if (!digestContext) {
        return DWMErrorCode::NotReady;
    }
    return digestContext->update(data, count);
}

DWMErrorCode DigitalSignature::verify(const std::vector<uint8_t>& signature) {
    if (!digestContext) {
        return DWMErrorCode::NotReady;
    }
    // The context's final takes a vector it could fill; ours stays untouched.
    std::vector<uint8_t> copy(signature);
    return digestContext->final(copy);
}
