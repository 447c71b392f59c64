// Forged sizes and offsets must end in an exception or a result, never in a
// crash, an overflow or an allocation larger than the file.
#include <gtest/gtest.h>

#include "container/MkvParser.h"
#include "support/EbmlWriter.h"
#include "support/TempFile.h"

using namespace ebml;

namespace {

nvr::MkvException parseFailure(const Bytes& bytes) {
    const TempFile file(bytes);
    try {
        nvr::MkvParser parser(file.c_str());
        parser.parse();
    } catch (const nvr::MkvException& e) {
        return e;
    }
    return nvr::MkvException(nvr::MkvErrorCode::None);
}

// A header with an eight-byte size of 2^56 - 1 and no payload behind it.
Bytes hugeChild(uint64_t id) {
    Bytes bytes = encodeId(id);
    const Bytes size = encodeSize((uint64_t{1} << 56) - 1, 8);
    bytes.insert(bytes.end(), size.begin(), size.end());
    return bytes;
}

}  // namespace

TEST(HostileInput, HugeTextSizeIsOutOfRangeNotAllocated) {
    const Bytes header = encode(ebmlHeader());
    // DocType claims 2^56 - 1 bytes inside the EBML header.
    Bytes forgedHeader = encode(el(0x1A45DFA3, {raw(hugeChild(0x4282))}));
    const auto e = parseFailure(forgedHeader);
    EXPECT_EQ(e.code(), nvr::MkvErrorCode::OutOfRange);
    EXPECT_STREQ(e.what(), "out of range @ 5");

    // The same inside the recorder tag, at a known offset.
    const Element segment =
        el(0x18538067, {el(0x134E5652, {raw(hugeChild(0x6E12))})}).withSizeWidth(8);
    const auto tagged = parseFailure(encode({ebmlHeader(), segment}));
    EXPECT_EQ(tagged.code(), nvr::MkvErrorCode::OutOfRange);
    EXPECT_EQ(tagged.position(), static_cast<int64_t>(header.size() + 12 + 5));

    // A payload that just fits is read as usual.
    const Element fits = el(0x18538067, {el(0x134E5652, {strEl(0x6E12, "ok")})});
    EXPECT_EQ(parseFailure(encode({ebmlHeader(), fits})).code(), nvr::MkvErrorCode::None);
}

TEST(HostileInput, ElementsLargerThanTheFileEndAtTheFileEnd) {
    // A segment claiming 2^56 - 1 bytes whose children run out: the walk
    // stops with the reader's I/O error at the end of the file.
    const Bytes header = encode(ebmlHeader());
    Bytes bytes = header;
    const Bytes segment = hugeChild(0x18538067);
    bytes.insert(bytes.end(), segment.begin(), segment.end());
    const Bytes info = encode(el(0x1549A966, {uintEl(0x2AD7B1, 1000000)}));
    bytes.insert(bytes.end(), info.begin(), info.end());
    const auto e = parseFailure(bytes);
    EXPECT_EQ(e.code(), nvr::MkvErrorCode::Io);
    EXPECT_EQ(e.position(), static_cast<int64_t>(bytes.size()));
}

TEST(HostileInput, ChildRunningPastItsParentEndsTheWalk) {
    // A Void inside a huge segment claims 2^56 - 1 bytes: the walk steps
    // past the segment's end and stops without reading behind it.
    Bytes bytes = encode(ebmlHeader());
    const Bytes segment = hugeChild(0x18538067);
    bytes.insert(bytes.end(), segment.begin(), segment.end());
    const Bytes voidHuge = hugeChild(0xEC);
    bytes.insert(bytes.end(), voidHuge.begin(), voidHuge.end());
    EXPECT_EQ(parseFailure(bytes).code(), nvr::MkvErrorCode::None);
}

TEST(HostileInput, MillionsOfSeekEntriesToOneElementStayLinear) {
    // 20k entries all naming one large empty Tracks element: it is walked
    // once, not once per entry.
    std::vector<Element> entries(
        20000, el(0x4DBB, {el(0x53AB, encodeId(0x1654AE6B)), uintEl(0x53AC, 0, 4)}));
    const Bytes headSize = encode(el(0x114D9B74, entries).withSizeWidth(8));
    for (Element& entry : entries) {
        entry.children[1] = uintEl(0x53AC, headSize.size(), 4);
    }
    const Element segment = el(0x18538067, {el(0x114D9B74, entries).withSizeWidth(8),
                                            el(0x1654AE6B, std::vector<Element>(20000, voidEl(3)))})
                                .withSizeWidth(8);
    const TempFile file(encode({ebmlHeader(), segment}));
    nvr::MkvParser parser(file.c_str());
    EXPECT_EQ(parser.parse(), 0);
    EXPECT_EQ(parser.parsedSegment().seekHeads.items.at(0).items.size(), 20000u);
    EXPECT_TRUE(parser.parsedSegment().tracks.items.empty());
}
