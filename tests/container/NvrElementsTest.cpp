#include <gtest/gtest.h>

#include "container/NvrSignature.h"
#include "container/TNVRTag.h"
#include "support/ParsedElement.h"

using namespace ebml;

TEST(NvrSignatureRecord, KindDigestAndExactBytes) {
    const ParsedElement<nvr::NvrSignature> hmac(
        el(0x4153, {uintEl(0xDC, 2, 1), uintEl(0xDD, 3, 1), el(0xDE, Bytes(32, 0x5A))}));
    EXPECT_EQ(hmac.record.signatureKind, 2u);
    EXPECT_EQ(hmac.record.digestType, 3u);
    EXPECT_EQ(hmac.record.signatureBytes, Bytes(32, 0x5A));

    Bytes rsa(256);
    for (size_t i = 0; i < rsa.size(); ++i) {
        rsa[i] = static_cast<uint8_t>(i);
    }
    const ParsedElement<nvr::NvrSignature> rsaSig(el(0x4153, {uintEl(0xDC, 1), el(0xDE, rsa)}));
    EXPECT_EQ(rsaSig.record.signatureBytes, rsa);  // 256 bytes, no terminator
    EXPECT_EQ(rsaSig.record.digestType, 0u);

    // A kind that cannot be read is no kind the walk checks.
    const ParsedElement<nvr::NvrSignature> broken(el(0x4153, {el(0xDC, Bytes(9, 1))}));
    EXPECT_EQ(broken.record.signatureKind, 0xFFFFFFFFu);
}

TEST(NvrTagRecord, TextsAreRawBytesAndLastOneWins) {
    const Bytes serial = bytesOf("SN12345678");
    const ParsedElement<nvr::TNVRTag> tag(
        el(0x134E5652, {el(0x4153, {uintEl(0xDC, 2)}), uintEl(0x6E10, 7), el(0x6E12, serial),
                        strEl(0x6E13, "2026-01-01 00:00:00"), strEl(0x6E13, "2026-01-02 00:00:00"),
                        el(0x6E16, Bytes{1, 2, 3}), strEl(0x6E14, std::string("end\0x", 5)),
                        el(0x6E15, Bytes(32, 0xEE))}));
    EXPECT_EQ(tag.record.tagNumber1, 7u);
    EXPECT_EQ(tag.record.tagNumber2, 0u);
    EXPECT_EQ(tag.record.serialNumber, serial);  // exactly 10 bytes
    EXPECT_EQ(tag.record.startTime, bytesOf("2026-01-02 00:00:00"));
    EXPECT_EQ(tag.record.endTime, bytesOf(std::string("end\0x", 5)));  // zero bytes kept
    EXPECT_EQ(tag.record.finalSignature, Bytes(32, 0xEE));
}

TEST(NvrTagRecord, UnreadableTextStaysZeroFilled) {
    // The serial's declared size fits the declared source but not the bytes
    // actually held, so the read fails and leaves zeros.
    const Bytes bytes = encode(el(0x134E5652, {el(0x6E12, Bytes(4, 'A'))}));
    nvr::MkvMemoryReader reader(Bytes(bytes.begin(), bytes.end() - 1),
                                static_cast<int64_t>(bytes.size()));
    nvr::TNVRTag tag(nvr::MkvElement(&reader, 0));
    tag.parse();
    EXPECT_EQ(tag.serialNumber, Bytes(4, 0));
}
