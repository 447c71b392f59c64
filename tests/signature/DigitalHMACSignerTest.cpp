#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "signature/BuiltInKeys.h"
#include "signature/DWMException.h"
#include "signature/DigitalHMACSigner.h"
#include "signature/MyHMACSign.h"
#include "support/TestSigner.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes hmacMessage(size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    return bytes;
}

Bytes builtInKey() {
    const KeyBytes key = builtInHmacKey();
    return Bytes(key.data, key.data + key.size);
}

Bytes macOf(DigitalHMACSigner& signer, const Bytes& bytes, size_t piece) {
    for (size_t at = 0; at < bytes.size(); at += piece) {
        EXPECT_EQ(signer.update(bytes.data() + at, std::min(piece, bytes.size() - at)),
                  DWMErrorCode::NoError);
    }
    Bytes mac(100, 0xAA);  // whatever it held is replaced
    EXPECT_EQ(signer.sign(mac), DWMErrorCode::NoError);
    return mac;
}

}  // namespace

TEST(DigitalHMACSigner, BuiltInKeyMacHasTheDigestsSizeWhateverThePieces) {
    ASSERT_EQ(builtInKey().size(), kBuiltInHmacKeySize);
    const Bytes bytes = hmacMessage(777);
    const struct {
        DigestType type;
        size_t size;
    } digests[] = {{DIGEST_MD5, 16}, {DIGEST_SHA1, 20}, {DIGEST_SHA256, 32}, {DIGEST_SHA512, 64}};
    for (const auto& digest : digests) {
        const Bytes expected = TestSigner::hmac(digest.type, builtInKey(), bytes);
        ASSERT_EQ(expected.size(), digest.size);
        for (const size_t piece : {size_t{1}, size_t{13}, size_t{128}, bytes.size()}) {
            DigitalHMACSigner signer(digest.type);
            EXPECT_EQ(macOf(signer, bytes, piece), expected)
                << "digest " << digest.type << ", piece " << piece;
        }
        for (const int32_t ignored : {0, 32, -1}) {
            DigitalHMACSigner signer(digest.type, nullptr, ignored);
            EXPECT_EQ(macOf(signer, bytes, bytes.size()), expected) << "length " << ignored;
        }
    }
}

TEST(DigitalHMACSigner, GivenKeyIsUsedWithExactlyItsLength) {
    const Bytes bytes = hmacMessage(1000);
    const Bytes key = hmacMessage(32);  // the size of an earlier SHA-256 MAC in a chain
    DigitalHMACSigner whole(DIGEST_SHA256, key.data(), 32);
    EXPECT_EQ(macOf(whole, bytes, 300), TestSigner::hmac(DIGEST_SHA256, key, bytes));

    DigitalHMACSigner prefix(DIGEST_SHA256, key.data(), 20);
    EXPECT_EQ(macOf(prefix, bytes, 300),
              TestSigner::hmac(DIGEST_SHA256, Bytes(key.begin(), key.begin() + 20), bytes));

    // RFC 4231, test case 1: neither side may be wrong in the same way.
    const Bytes rfcKey(20, 0x0b);
    const Bytes hiThere = {'H', 'i', ' ', 'T', 'h', 'e', 'r', 'e'};
    const Bytes rfcMac = {0xb0, 0x34, 0x4c, 0x61, 0xd8, 0xdb, 0x38, 0x53, 0x5c, 0xa8, 0xaf,
                          0xce, 0xaf, 0x0b, 0xf1, 0x2b, 0x88, 0x1d, 0xc2, 0x00, 0xc9, 0x83,
                          0x3d, 0xa7, 0x26, 0xe9, 0x37, 0x6c, 0x2e, 0x32, 0xcf, 0xf7};
    DigitalHMACSigner rfc(DIGEST_SHA256, rfcKey.data(), 20);
    EXPECT_EQ(macOf(rfc, hiThere, 3), rfcMac);
}

TEST(DigitalHMACSigner, ZeroUpdatesGiveTheMacOfTheEmptyMessage) {
    DigitalHMACSigner signer(DIGEST_SHA1);
    Bytes mac;
    EXPECT_EQ(signer.sign(mac), DWMErrorCode::NoError);
    EXPECT_EQ(mac, TestSigner::hmac(DIGEST_SHA1, builtInKey(), {}));
}

TEST(DigitalHMACSigner, SelectorOutsideOneToFourIsInvalidArguments) {
    const Bytes key(32, 1);
    for (const int32_t selector : {0, 5}) {
        const DigestType type = static_cast<DigestType>(selector);
        for (const uint8_t* keyData : {static_cast<const uint8_t*>(nullptr), key.data()}) {
            try {
                DigitalHMACSigner signer(type, keyData, 32);
                ADD_FAILURE() << "selector " << selector << " was accepted";
            } catch (const DWMException& e) {
                EXPECT_EQ(e.code(), DWMErrorCode::InvalidArguments);
                EXPECT_STREQ(e.what(), "invalid arguments");
            }
        }
    }
}

TEST(MyHMACSign, ResetStartsANewMessage) {
    const Bytes key = hmacMessage(16);
    const Bytes first = hmacMessage(50);
    const Bytes second = hmacMessage(70);
    MyHMACSign context(key, DIGEST_SHA512);
    Bytes mac;
    context.update(first.data(), first.size());
    context.final(mac);
    EXPECT_EQ(mac, TestSigner::hmac(DIGEST_SHA512, key, first));

    EXPECT_EQ(context.reset(), DWMErrorCode::NoError);
    context.update(second.data(), second.size());
    context.final(mac);
    EXPECT_EQ(mac, TestSigner::hmac(DIGEST_SHA512, key, second));
}
