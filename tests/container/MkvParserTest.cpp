#include <gtest/gtest.h>

#include "container/MkvMemoryReader.h"
#include "container/MkvParser.h"
#include "support/EbmlWriter.h"
#include "support/TempFile.h"

using namespace ebml;

namespace {

std::string parseError(const Bytes& bytes) {
    const TempFile file(bytes);
    try {
        nvr::MkvParser parser(file.c_str());
        parser.parse();
    } catch (const nvr::MkvException& e) {
        return e.what();
    }
    return "parsed";
}

Element segmentWithTag(const std::string& serial) {
    return el(
        0x18538067,
        {el(0x1549A966, {uintEl(0x2AD7B1, 1000000)}),
         el(0x134E5652, {strEl(0x6E12, serial), strEl(0x6E13, "start"), strEl(0x6E14, "end")}),
         el(0x1F43B675, {uintEl(0xE7, 0)})});
}

}  // namespace

TEST(MkvParser, ParsesHeaderSegmentAndTag) {
    const TempFile file(encode({ebmlHeader("webm"), segmentWithTag("SN-42")}));
    nvr::MkvParser parser(file.c_str());
    EXPECT_EQ(parser.parse(), 0);
    EXPECT_EQ(nvr::textOf(parser.ebmlHeader().docType), "webm");  // any DocType is taken
    EXPECT_EQ(parser.tag().serialNumber, bytesOf("SN-42"));
    EXPECT_EQ(parser.tag().startTime, bytesOf("start"));
    EXPECT_EQ(parser.parsedSegment().infos.items.at(0).timecodeScale, 1000000);
}

TEST(MkvParser, ConstructionErrors) {
    try {
        nvr::MkvParser parser(static_cast<const char*>(nullptr));
        FAIL();
    } catch (const nvr::MkvException& e) {
        EXPECT_EQ(e.code(), nvr::MkvErrorCode::Invalid);
        EXPECT_STREQ(e.what(), "invalid");
    }
    try {
        nvr::MkvParser parser("/nonexistent/recording.mkv");
        FAIL();
    } catch (const nvr::MkvException& e) {
        EXPECT_EQ(e.code(), nvr::MkvErrorCode::Other);
        EXPECT_STREQ(e.what(), "failed to open file");
    }
}

TEST(MkvParser, FilesThatAreNotRecordings) {
    EXPECT_EQ(parseError({}), "I/O error @ 0");
    EXPECT_EQ(parseError(bytesOf("Hello, this is plain text.\n")), "not an valid file @ 0");
    EXPECT_EQ(parseError(Bytes{0x00, 0x01, 0x02}), "bad ebml id @ 0");
    // Something between the EBML header and the Segment.
    const Bytes header = encode(ebmlHeader());
    EXPECT_EQ(parseError(encode({ebmlHeader(), voidEl(4), segmentWithTag("x")})),
              "not an valid file @ " + std::to_string(header.size()));
    // EBML header alone: the segment header read runs past the end.
    EXPECT_EQ(parseError(header), "I/O error @ " + std::to_string(header.size()));
    // A Segment that starts with a Cluster parses empty.
    EXPECT_EQ(
        parseError(encode({ebmlHeader(), el(0x18538067, {el(0x1F43B675, {uintEl(0xE7, 0)}),
                                                         el(0x134E5652, {strEl(0x6E12, "x")})})})),
        "parsed");
    // A zero size inside the metadata.
    const Bytes zeroSize =
        encode({ebmlHeader(), el(0x18538067, {raw({0x15, 0x49, 0xA9, 0x66, 0x80})})});
    EXPECT_EQ(parseError(zeroSize), "bad ebml datasize @ " + std::to_string(header.size() + 5));
}

TEST(MkvParser, ReadsFromAnyByteSource) {
    auto memory =
        std::make_unique<nvr::MkvMemoryReader>(encode({ebmlHeader(), segmentWithTag("mem")}));
    nvr::MkvParser parser(std::move(memory));
    parser.parse();
    EXPECT_EQ(parser.tag().serialNumber, bytesOf("mem"));
}
