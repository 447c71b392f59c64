#include "signature/MyMDContext.h"

#include <utility>

#include "signature/DWMException.h"
#include "signature/SslError.h"

MyMDContext::MyMDContext(EvpPkeyPtr key_, const EVP_MD* digest_)
    : key(std::move(key_)), digest(digest_) {}

DWMErrorCode MyMDContext::update(const uint8_t* data, size_t length) {
    requireSsl(EVP_DigestUpdate(readyContext(), data, length) == 1);
    return DWMErrorCode::NoError;
}

void MyMDContext::initDigest(bool reuse) {
    if (!key || digest == nullptr) {
        throw DWMException(DWMErrorCode::InvalidArguments);
    }
    if (!reuse) {
        context.reset();
    }
    if (!context) {
        context.reset(EVP_MD_CTX_new());
        requireSsl(context != nullptr);
    }
    requireSsl(EVP_DigestInit_ex(context.get(), digest, nullptr) == 1);
}

void MyMDContext::finishDigest() {
    if (!context) {
        return;
    }
    // OpenSSL 3 cannot finalise a context set up for signing or verifying as
    // a plain digest (it crashes); resetting discards the message just as well.
    requireSsl(EVP_MD_CTX_reset(context.get()) == 1);
    initDigest(true);
}

EVP_MD_CTX* MyMDContext::readyContext() const {
    if (!context) {
        throw DWMException(DWMErrorCode::NotReady);
    }
    return context.get();
}
