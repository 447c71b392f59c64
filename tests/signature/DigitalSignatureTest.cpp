#include <gtest/gtest.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <algorithm>
#include <string>
#include <vector>

#include "signature/BuiltInKeys.h"
#include "signature/DWMException.h"
#include "signature/DigitalSignature.h"
#include "signature/MyRSAVerify.h"
#include "signature/SslPtr.h"
#include "support/TestSigner.h"

namespace {

using Bytes = std::vector<uint8_t>;

const TestSigner& demoRecorder() {
    static const TestSigner signer(TELVAR_DEMO_PRIVATE_KEY);
    return signer;
}

Bytes message(size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 131 + 7);
    }
    return bytes;
}

// Feeds `bytes` in pieces of `piece` bytes, the last one shorter.
template <typename Signer>
void feed(Signer& signer, const Bytes& bytes, size_t piece) {
    for (size_t at = 0; at < bytes.size(); at += piece) {
        ASSERT_EQ(signer.update(bytes.data() + at, std::min(piece, bytes.size() - at)),
                  DWMErrorCode::NoError);
    }
}

DWMErrorCode verifyWithBuiltInKey(DigestType type, const Bytes& bytes, const Bytes& signature) {
    DigitalSignature verifier(type);
    feed(verifier, bytes, 100);
    return verifier.verify(signature);
}

Bytes ecPublicKeyDer() {
    // Not EVP_EC_gen: its cast drops a const, which clang warns about.
    char curve[] = "P-256";
    const EvpPkeyPtr key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", curve));
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key.get(), &der);
    Bytes bytes(der, der + std::max(length, 0));
    OPENSSL_free(der);
    return bytes;
}

const Bytes kGarbageKey = {0x30, 0x82, 0x01, 0x22, 0x30, 0x0d, 1, 2, 3, 4, 5, 6, 7, 8, 9};

// The exception thrown when building an RSA verifier over `key`, never the
// built-in key (an empty key still has a pointer).
DWMException rsaFailure(const Bytes& key, DigestType type = DIGEST_SHA256) {
    const uint8_t none = 0;
    try {
        DigitalSignature verifier(type, key.empty() ? &none : key.data(),
                                  static_cast<int32_t>(key.size()));
    } catch (const DWMException& e) {
        return e;
    }
    ADD_FAILURE() << "the key was accepted";
    return DWMException(DWMErrorCode::NoError);
}

bool isSslError(const DWMException& e) {
    return e.code() == DWMErrorCode::SslError && std::string(e.what()).rfind("error:", 0) == 0;
}

}  // namespace

TEST(DigitalSignature, BuiltInKeyVerifiesEveryDigestWhateverThePieces) {
    const Bytes bytes = message(1000);
    for (const DigestType type : {DIGEST_MD5, DIGEST_SHA1, DIGEST_SHA256, DIGEST_SHA512}) {
        const Bytes signature = demoRecorder().sign(type, bytes);
        ASSERT_EQ(signature.size(), 256u);
        for (const size_t piece : {size_t{1}, size_t{7}, size_t{256}, bytes.size()}) {
            DigitalSignature verifier(type);
            feed(verifier, bytes, piece);
            EXPECT_EQ(verifier.verify(signature), DWMErrorCode::NoError)
                << "digest " << type << ", piece " << piece;
        }
        // Without a key pointer the length plays no part.
        for (const int32_t ignored : {0, 5, -1, 100000}) {
            DigitalSignature verifier(type, nullptr, ignored);
            feed(verifier, bytes, bytes.size());
            EXPECT_EQ(verifier.verify(signature), DWMErrorCode::NoError) << "length " << ignored;
        }
    }
}

TEST(DigitalSignature, GivenKeyIsUsedInsteadOfTheBuiltInOne) {
    const TestSigner other = TestSigner::generateRsa(1024);
    const Bytes otherKey = other.publicKeyDer();
    const Bytes bytes = message(300);
    const Bytes signature = other.sign(DIGEST_SHA256, bytes);

    DigitalSignature given(DIGEST_SHA256, otherKey.data(), static_cast<int32_t>(otherKey.size()));
    feed(given, bytes, 64);
    EXPECT_EQ(given.verify(signature), DWMErrorCode::NoError);
    EXPECT_EQ(verifyWithBuiltInKey(DIGEST_SHA256, bytes, signature), DWMErrorCode::Failed);

    // Exactly `keyLength` bytes are read: one short and the key is unreadable.
    EXPECT_TRUE(isSslError(rsaFailure(Bytes(otherKey.begin(), otherKey.end() - 1))));
}

TEST(DigitalSignature, MismatchIsAResultNotAnException) {
    const Bytes bytes = message(500);
    const Bytes signature = demoRecorder().sign(DIGEST_SHA256, bytes);

    Bytes tampered = bytes;
    tampered[250] ^= 0x01;
    EXPECT_EQ(verifyWithBuiltInKey(DIGEST_SHA256, tampered, signature), DWMErrorCode::Failed);
    EXPECT_EQ(verifyWithBuiltInKey(DIGEST_SHA1, bytes, signature), DWMErrorCode::Failed);

    Bytes flipped = signature;
    flipped[0] ^= 0x80;
    EXPECT_EQ(verifyWithBuiltInKey(DIGEST_SHA256, bytes, flipped), DWMErrorCode::Failed);

    Bytes longer = signature;
    longer.push_back(0);
    for (const Bytes& wrongSize :
         {Bytes{}, Bytes(signature.begin(), signature.end() - 1), longer}) {
        EXPECT_EQ(verifyWithBuiltInKey(DIGEST_SHA256, bytes, wrongSize), DWMErrorCode::Failed)
            << wrongSize.size() << " bytes";
    }
}

TEST(DigitalSignature, ZeroUpdatesVerifyTheEmptyMessage) {
    DigitalSignature verifier(DIGEST_SHA512);
    EXPECT_EQ(verifier.verify(demoRecorder().sign(DIGEST_SHA512, {})), DWMErrorCode::NoError);

    DigitalSignature other(DIGEST_SHA512);
    EXPECT_EQ(other.verify(demoRecorder().sign(DIGEST_SHA512, {0})), DWMErrorCode::Failed);
}

TEST(DigitalSignature, SelectorOutsideOneToFourIsInvalidArguments) {
    const Bytes key(kBuiltInPublicKey, kBuiltInPublicKey + kBuiltInPublicKeySize);
    for (const int32_t selector : {0, 5, -1}) {
        const DigestType type = static_cast<DigestType>(selector);
        try {
            DigitalSignature verifier(type);
            ADD_FAILURE() << "selector " << selector << " was accepted";
        } catch (const DWMException& e) {
            EXPECT_EQ(e.code(), DWMErrorCode::InvalidArguments);
            EXPECT_STREQ(e.what(), "invalid arguments");
        }
        EXPECT_EQ(rsaFailure(key, type).code(), DWMErrorCode::InvalidArguments) << selector;
    }
}

TEST(DigitalSignature, UnreadableKeyIsAnSslErrorBeforeTheSelectorIsLookedAt) {
    EXPECT_TRUE(isSslError(rsaFailure(kGarbageKey)));
    EXPECT_TRUE(isSslError(rsaFailure(kGarbageKey, static_cast<DigestType>(0))));
    EXPECT_TRUE(isSslError(rsaFailure(kGarbageKey, static_cast<DigestType>(5))));
    EXPECT_TRUE(isSslError(rsaFailure(Bytes{})));
    EXPECT_TRUE(isSslError(rsaFailure(ecPublicKeyDer()))) << "a key must be RSA";
    EXPECT_EQ(rsaFailure(kGarbageKey, DIGEST_MD5).code(), DWMErrorCode::SslError);
    try {
        DigitalSignature verifier(DIGEST_SHA256, kGarbageKey.data(), -1);
        ADD_FAILURE() << "a negative key length was accepted";
    } catch (const DWMException& e) {
        EXPECT_EQ(e.code(), DWMErrorCode::InvalidArguments);
    }
}

TEST(MyRSAVerify, ResetStartsANewMessage) {
    const Bytes first = message(200);
    const Bytes second = message(300);
    MyRSAVerify context(Bytes(kBuiltInPublicKey, kBuiltInPublicKey + kBuiltInPublicKeySize),
                        DIGEST_SHA1);
    Bytes signature = demoRecorder().sign(DIGEST_SHA1, first);
    context.update(first.data(), first.size());
    EXPECT_EQ(context.final(signature), DWMErrorCode::NoError);

    EXPECT_EQ(context.reset(), DWMErrorCode::NoError);
    signature = demoRecorder().sign(DIGEST_SHA1, second);
    context.update(second.data(), second.size());
    EXPECT_EQ(context.final(signature), DWMErrorCode::NoError);
}

// An error's text must be its own, not what an earlier failure left queued.
TEST(SslErrorText, EachFailureReportsItsOwnText) {
    ERR_clear_error();
    const std::string alone = rsaFailure(ecPublicKeyDer()).what();

    // The garbage key makes OpenSSL queue several entries.
    const std::string garbage = rsaFailure(kGarbageKey).what();
    ASSERT_NE(garbage, alone);
    EXPECT_EQ(ERR_peek_error(), 0u);
    EXPECT_EQ(rsaFailure(ecPublicKeyDer()).what(), alone);

    // A mismatch leaves nothing behind either.
    const Bytes bytes = message(10);
    EXPECT_EQ(verifyWithBuiltInKey(DIGEST_SHA256, bytes, Bytes(255)), DWMErrorCode::Failed);
    EXPECT_EQ(ERR_peek_error(), 0u);
    EXPECT_EQ(rsaFailure(ecPublicKeyDer()).what(), alone);
}
