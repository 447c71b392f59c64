#include "signature/MyHMACSign.h"

#include <openssl/evp.h>

#include "signature/DWMException.h"
#include "signature/HmacTemplates.h"
#include "signature/SslError.h"

MyHMACSign::MyHMACSign(const std::vector<uint8_t>& key_, DigestType type_)
    : MyMDContext(nullptr, evpDigest(type_)), key(key_), type(type_) {
    initSign();
}

void MyHMACSign::initSign() {
    const EVP_MAC_CTX* const prototype = hmacTemplate(type);
    if (prototype == nullptr || key.empty()) {
        throw DWMException(DWMErrorCode::InvalidArguments);
    }
    context.reset(EVP_MAC_CTX_dup(prototype));
    requireSsl(context != nullptr);
    requireSsl(EVP_MAC_init(context.get(), key.data(), key.size(), nullptr) == 1);
}

DWMErrorCode MyHMACSign::update(const uint8_t* data, size_t length) {
    if (!context) {
        throw DWMException(DWMErrorCode::NotReady);
    }
    requireSsl(EVP_MAC_update(context.get(), data, length) == 1);
    return DWMErrorCode::NoError;
}

DWMErrorCode MyHMACSign::final(std::vector<uint8_t>& mac) {
    if (!context) {
        throw DWMException(DWMErrorCode::NotReady);
    }
    mac.resize(EVP_MAC_CTX_get_mac_size(context.get()));
    size_t length = 0;
    requireSsl(EVP_MAC_final(context.get(), mac.data(), &length, mac.size()) == 1);
    mac.resize(length);
    return DWMErrorCode::NoError;
}

DWMErrorCode MyHMACSign::reset() {
    initSign();
    return DWMErrorCode::NoError;
}
