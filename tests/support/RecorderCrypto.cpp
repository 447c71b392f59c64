#include "support/RecorderCrypto.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace recorder {

namespace {

[[noreturn]] void fail(const std::string& what) {
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    ERR_clear_error();
    throw std::runtime_error(what + ": " + text);
}

const EVP_MD* digestFor(uint32_t digestType) {
    switch (digestType) {
        case 1:
            return EVP_md5();
        case 2:
            return EVP_sha1();
        case 3:
            return EVP_sha256();
        case 4:
            return EVP_sha512();
        default:
            break;
    }
    throw std::invalid_argument("digest type must be 1 to 4");
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

size_t digestSize(uint32_t digestType) {
    switch (digestType) {
        case 1:
            return 16;
        case 2:
            return 20;
        case 3:
            return 32;
        case 4:
            return 64;
        default:
            return 0;
    }
}

void PkeyDeleter::operator()(EVP_PKEY* key) const {
    EVP_PKEY_free(key);
}

void StreamSigner::CtxDeleter::operator()(EVP_MD_CTX* context) const {
    EVP_MD_CTX_free(context);
}

RecorderKeys RecorderKeys::load(const std::string& privateKeyPem, const std::string& hmacKeyFile) {
    RecorderKeys keys;
    std::unique_ptr<std::FILE, FileCloser> pem(std::fopen(privateKeyPem.c_str(), "rb"));
    if (!pem) {
        throw std::runtime_error("cannot open " + privateKeyPem);
    }
    keys.rsaPrivate.reset(PEM_read_PrivateKey(pem.get(), nullptr, nullptr, nullptr));
    if (!keys.rsaPrivate) {
        fail("cannot read the private key " + privateKeyPem);
    }
    std::ifstream hmac(hmacKeyFile, std::ios::binary);
    if (!hmac) {
        throw std::runtime_error("cannot open " + hmacKeyFile);
    }
    keys.hmacKey.assign(std::istreambuf_iterator<char>(hmac), std::istreambuf_iterator<char>());
    if (keys.hmacKey.empty()) {
        throw std::runtime_error("empty HMAC key " + hmacKeyFile);
    }
    return keys;
}

const RecorderKeys& RecorderKeys::defaults() {
    static const RecorderKeys keys = load(TELVAR_RECORDER_PRIVATE_KEY, TELVAR_RECORDER_HMAC_KEY);
    return keys;
}

size_t RecorderKeys::rsaSize() const {
    return static_cast<size_t>(EVP_PKEY_get_size(rsaPrivate.get()));
}

StreamSigner StreamSigner::hmac(uint32_t digestType, const Bytes& key) {
    const EVP_MD* md = digestFor(digestType);
    StreamSigner signer;
    signer.macKey.reset(
        EVP_PKEY_new_raw_private_key(EVP_PKEY_HMAC, nullptr, key.data(), key.size()));
    if (!signer.macKey) {
        fail("cannot make the HMAC key");
    }
    signer.ctx.reset(EVP_MD_CTX_new());
    if (!signer.ctx ||
        EVP_DigestSignInit(signer.ctx.get(), nullptr, md, nullptr, signer.macKey.get()) != 1) {
        fail("cannot start the HMAC");
    }
    return signer;
}

StreamSigner StreamSigner::rsa(uint32_t digestType, EVP_PKEY* privateKey) {
    const EVP_MD* md = digestFor(digestType);
    StreamSigner signer;
    signer.ctx.reset(EVP_MD_CTX_new());
    // No padding set: PKCS#1 v1.5 is the default, as the verifier expects.
    if (!signer.ctx ||
        EVP_DigestSignInit(signer.ctx.get(), nullptr, md, nullptr, privateKey) != 1) {
        fail("cannot start the RSA signature");
    }
    return signer;
}

void StreamSigner::update(const uint8_t* data, size_t length) {
    if (length != 0 && EVP_DigestSignUpdate(ctx.get(), data, length) != 1) {
        fail("cannot feed the signature");
    }
}

Bytes StreamSigner::finish() {
    size_t length = 0;
    if (EVP_DigestSignFinal(ctx.get(), nullptr, &length) != 1) {
        fail("cannot size the signature");
    }
    Bytes out(length);
    if (EVP_DigestSignFinal(ctx.get(), out.data(), &length) != 1) {
        fail("cannot finish the signature");
    }
    out.resize(length);
    return out;
}

}  // namespace recorder

namespace recorder {

std::string publicKeyPem(EVP_PKEY* key) {
    const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    char* data = nullptr;
    if (!bio || PEM_write_bio_PUBKEY(bio.get(), key) != 1) {
        throw std::runtime_error("cannot write the public key");
    }
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

}  // namespace recorder
