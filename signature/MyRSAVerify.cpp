#include "signature/MyRSAVerify.h"

#include <openssl/err.h>
#include <openssl/x509.h>

#include "signature/DWMException.h"
#include "signature/SslError.h"

MyRSAVerify::MyRSAVerify(const std::vector<uint8_t>& derKey, DigestType type)
    : MyMDContext(loadPublicKey(derKey.data(), derKey.size()), evpDigest(type)) {
    initDigest(false);
    initVerify();
}

EvpPkeyPtr MyRSAVerify::loadPublicKey(const uint8_t* der, size_t length) {
    const unsigned char* cursor = der;
    EvpPkeyPtr key(d2i_PUBKEY(nullptr, &cursor, static_cast<long>(length)));
    requireSsl(key != nullptr);
    if (EVP_PKEY_is_a(key.get(), "RSA") != 1) {
        // Queued so the exception carries OpenSSL's own text for the case.
        ERR_raise(ERR_LIB_EVP, EVP_R_EXPECTING_AN_RSA_KEY);
        requireSsl(false);
    }
    return key;
}

void MyRSAVerify::initVerify() {
    // No padding is set: OpenSSL's default for RSA is PKCS#1 v1.5.
    requireSsl(EVP_DigestVerifyInit(readyContext(), nullptr, md(), nullptr, pkey()) == 1);
}

DWMErrorCode MyRSAVerify::final(std::vector<uint8_t>& signature) {
    const int result = EVP_DigestVerifyFinal(readyContext(), signature.data(), signature.size());
    requireSsl(result >= 0);
    if (result == 0) {
        // A mismatch is an answer, not a failure: drop what OpenSSL queued
        // about it (e.g. a wrong signature length) so no later error shows it.
        ERR_clear_error();
        return DWMErrorCode::Failed;
    }
    return DWMErrorCode::NoError;
}

DWMErrorCode MyRSAVerify::reset() {
    finishDigest();
    initVerify();
    return DWMErrorCode::NoError;
}
