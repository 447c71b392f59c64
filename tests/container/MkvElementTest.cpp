#include <gtest/gtest.h>

#include "container/MkvElement.h"
#include "container/MkvMemoryReader.h"

using nvr::MkvElement;
using nvr::MkvException;
using nvr::MkvMemoryReader;

namespace {

std::string headerError(std::vector<uint8_t> bytes, int64_t offset = 0) {
    MkvMemoryReader reader(std::move(bytes));
    try {
        MkvElement element(&reader, offset);
    } catch (const MkvException& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(ElementHeader, DecodesIdAndSize) {
    MkvMemoryReader reader({0x1A, 0x45, 0xDF, 0xA3, 0x9F});
    const MkvElement ebml(&reader, 0);
    EXPECT_EQ(ebml.id, 0x1A45DFA3);
    EXPECT_EQ(ebml.idLength, 4);
    EXPECT_EQ(ebml.dataSize, 31);
    EXPECT_EQ(ebml.sizeLength, 1);
    EXPECT_EQ(ebml.headerOffset, 0);
    EXPECT_EQ(ebml.dataOffset, 5);
    EXPECT_TRUE(ebml.isValid());

    MkvMemoryReader oneByte({0x00, 0xAE, 0xFF});
    const MkvElement entry(&oneByte, 1);
    EXPECT_EQ(entry.id, 0xAE);
    EXPECT_EQ(entry.dataSize, 127);  // all ones is a plain number here

    MkvMemoryReader twoByteSize({0xEC, 0x40, 0x02});
    const MkvElement padding(&twoByteSize, 0);
    EXPECT_EQ(padding.dataSize, 2);
    EXPECT_EQ(padding.sizeLength, 2);

    MkvMemoryReader eightByteSize({0xEC, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(MkvElement(&eightByteSize, 0).dataSize, (int64_t{1} << 56) - 1);
}

TEST(ElementHeader, ErrorsCarryTheHeaderOffset) {
    EXPECT_EQ(headerError({0xEC, 0x80}), "bad ebml datasize @ 0");
    EXPECT_EQ(headerError({0x00, 0x81, 0x00}), "bad ebml id @ 0");
    EXPECT_EQ(headerError({0xEC, 0x00}), "bad ebml datasize @ 0");
    EXPECT_EQ(headerError({}), "I/O error @ 0");
    EXPECT_EQ(headerError({0xEC, 0x81, 0x00}, 3), "I/O error @ 3");
    // The size cannot be read: still reported at the header's own offset.
    EXPECT_EQ(headerError({0x00, 0x00, 0xEC}, 2), "I/O error @ 2");
    // A truncated multi-byte ID fails its read and is no valid ID.
    EXPECT_EQ(headerError({0x1A, 0x45}), "bad ebml id @ 0");
    // Five-byte IDs keep their low 32 bits; a negative result is refused.
    EXPECT_EQ(headerError({0x08, 0x80, 0x00, 0x00, 0x00, 0x81, 0x00}), "bad ebml id @ 0");

    MkvElement unread;
    EXPECT_FALSE(unread.isValid());
    try {
        unread.parse();
        FAIL();
    } catch (const MkvException& e) {
        EXPECT_STREQ(e.what(), "invalid mkv element");
    }
    try {
        MkvElement orphan(nullptr, 4096);
        FAIL();
    } catch (const MkvException& e) {
        EXPECT_STREQ(e.what(), "invalid mkv element @ 4096");
    }
    try {
        unread.readHeader(0);
        FAIL();
    } catch (const MkvException& e) {
        EXPECT_STREQ(e.what(), "no reader");
    }
}

TEST(ElementHeader, RawIdLength) {
    MkvMemoryReader reader({0x00, 0x42, 0x86, 0x81, 0x01});
    MkvElement element;
    element.reader = &reader;
    element.readHeader(1, 2);
    EXPECT_EQ(element.id, 0x4286);
    EXPECT_EQ(element.idLength, 2);
    EXPECT_EQ(element.dataOffset, 4);
}

TEST(PayloadDecoders, UIntAndFloat) {
    MkvMemoryReader reader({0x01, 0x00, 0x3F, 0x80, 0x00, 0x00, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(nvr::readUInt(&reader, 0, 2, 0), 256);
    EXPECT_EQ(nvr::readUInt(&reader, 0, 9, 0), -1);
    EXPECT_EQ(nvr::readUInt(&reader, 0, 0, 0), -1);
    EXPECT_EQ(nvr::readUInt(&reader, 0, 1, 0x1A), 0x1A01);  // the seed leads
    EXPECT_EQ(nvr::readUInt(&reader, 13, 2, 0), -1);        // runs past the end
    EXPECT_DOUBLE_EQ(nvr::readFloat(&reader, 2, 4), 1.0);
    EXPECT_DOUBLE_EQ(nvr::readFloat(&reader, 6, 8), 1.0);
    EXPECT_DOUBLE_EQ(nvr::readFloat(&reader, 2, 2), -1.0);
    EXPECT_DOUBLE_EQ(nvr::readFloat(&reader, 10, 8), -1.0);

    MkvMemoryReader ones(std::vector<uint8_t>(8, 0xFF));
    EXPECT_EQ(nvr::readUInt(&ones, 0, 8, 0), -1);     // indistinguishable from failure
    EXPECT_EQ(nvr::readUInt(&ones, 0, 8, 0x7F), -1);  // the seed shifts out without overflow
}

TEST(SafeOffsets, SumsSaturate) {
    const int64_t max = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(nvr::addOffsets(max - 1, 5), max);
    EXPECT_EQ(nvr::addOffsets(10, 5), 15);
    EXPECT_EQ(nvr::addOffsets(std::numeric_limits<int64_t>::min(), -1),
              std::numeric_limits<int64_t>::min());
}
