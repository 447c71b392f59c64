#include "support/TestSigner.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "signature/SslPtr.h"

namespace {

const char* digestName(int digestType) {
    switch (digestType) {
        case 1:
            return "MD5";
        case 2:
            return "SHA1";
        case 3:
            return "SHA256";
        case 4:
            return "SHA512";
        default:
            throw std::invalid_argument("no digest for selector " + std::to_string(digestType));
    }
}

void require(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("test signer: ") + what);
    }
}

std::shared_ptr<EVP_PKEY> own(EVP_PKEY* key, const char* what) {
    require(key != nullptr, what);
    return {key, EVP_PKEY_free};
}

}  // namespace

TestSigner::TestSigner(const std::string& pemPath) {
    const std::unique_ptr<BIO, SslDeleter<BIO_free>> file(BIO_new_file(pemPath.c_str(), "r"));
    require(file != nullptr, "cannot open the private key file");
    key = own(PEM_read_bio_PrivateKey(file.get(), nullptr, nullptr, nullptr),
              "cannot read the private key");
}

TestSigner TestSigner::generateRsa(int bits) {
    return TestSigner(own(EVP_RSA_gen(static_cast<unsigned>(bits)), "cannot generate a key"));
}

TestSigner::Bytes TestSigner::sign(int digestType, const Bytes& message) const {
    const EvpMdCtxPtr context(EVP_MD_CTX_new());
    require(context != nullptr, "no digest context");
    require(EVP_DigestSignInit_ex(context.get(), nullptr, digestName(digestType), nullptr, nullptr,
                                  key.get(), nullptr) == 1,
            "cannot start signing");
    size_t length = 0;
    require(EVP_DigestSign(context.get(), nullptr, &length, message.data(), message.size()) == 1,
            "cannot size the signature");
    Bytes signature(length);
    require(EVP_DigestSign(context.get(), signature.data(), &length, message.data(),
                           message.size()) == 1,
            "cannot sign");
    signature.resize(length);
    return signature;
}

TestSigner::Bytes TestSigner::publicKeyDer() const {
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key.get(), &der);
    require(length > 0, "cannot encode the public key");
    Bytes bytes(der, der + length);
    OPENSSL_free(der);
    return bytes;
}

TestSigner::Bytes TestSigner::hmac(int digestType, const Bytes& key, const Bytes& message) {
    Bytes mac(EVP_MAX_MD_SIZE);
    size_t length = 0;
    require(
        EVP_Q_mac(nullptr, "HMAC", nullptr, digestName(digestType), nullptr, key.data(), key.size(),
                  message.data(), message.size(), mac.data(), mac.size(), &length) != nullptr,
        "cannot compute the HMAC");
    mac.resize(length);
    return mac;
}
