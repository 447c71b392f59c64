#include <gtest/gtest.h>

#include "container/MkvSegment.h"
#include "support/ParsedElement.h"

using namespace ebml;

namespace {

constexpr uint64_t kSegment = 0x18538067;
constexpr uint64_t kCluster = 0x1F43B675;

Element seekEntry(uint64_t id, uint64_t position) {
    return el(0x4DBB, {el(0x53AB, encodeId(id)), uintEl(0x53AC, position, 4)});
}

Element tag(const std::string& serial) {
    return el(0x134E5652, {strEl(0x6E12, serial)});
}
Element info(const std::string& app) {
    return el(0x1549A966, {strEl(0x4D80, app)});
}
Element tracks(uint64_t number) {
    return el(0x1654AE6B, {el(0xAE, {uintEl(0xD7, number)})});
}
Element cluster() {
    return el(kCluster, {uintEl(0xE7, 0)});
}

// Segment with an 8-byte size: its payload starts 12 bytes after it.
Element segment(std::vector<Element> children) {
    return el(kSegment, std::move(children)).withSizeWidth(8);
}

// Position, relative to the segment payload, of child `index`.
uint64_t offsetOf(const std::vector<Element>& children, size_t index) {
    uint64_t offset = 0;
    for (size_t i = 0; i < index; ++i) {
        offset += encode(children[i]).size();
    }
    return offset;
}

std::string serialOf(const nvr::MkvSegment& s) {
    return std::string(s.tag.serialNumber.begin(), s.tag.serialNumber.end());
}

}  // namespace

TEST(Segment, StopsAtTheFirstCluster) {
    const ParsedElement<nvr::MkvSegment> empty(segment({cluster(), info("late"), tag("late")}));
    EXPECT_TRUE(empty.record.infos.items.empty());
    EXPECT_FALSE(empty.record.tag.isValid());

    const ParsedElement<nvr::MkvSegment> loaded(
        segment({voidEl(10), el(0x1043A770, {voidEl(4)}), el(0x1254C367, {voidEl(4)}), info("app"),
                 tracks(1), tag("SN1"), cluster(), tag("SN2")}));
    ASSERT_EQ(loaded.record.infos.items.size(), 1u);
    EXPECT_EQ(loaded.record.tracks.items.size(), 1u);
    EXPECT_EQ(serialOf(loaded.record), "SN1");
}

TEST(Segment, FirstCuesAttachmentsAndTagWin) {
    const ParsedElement<nvr::MkvSegment> twice(
        segment({tag("first"), el(0x1C53BB6B, {el(0xBB, {uintEl(0xB3, 1)})}),
                 el(0x1C53BB6B, {el(0xBB, {uintEl(0xB3, 2)}), el(0xBB, {uintEl(0xB3, 3)})}),
                 el(0x1941A469, {el(0x61A7, {strEl(0x466E, "a")})}), el(0x1941A469, {voidEl(2)}),
                 tag("second")}));
    EXPECT_EQ(serialOf(twice.record), "first");
    ASSERT_EQ(twice.record.cues.items.size(), 1u);
    EXPECT_EQ(twice.record.cues.items[0].cueTime, 1);
    EXPECT_EQ(twice.record.attachments.items.size(), 1u);
}

TEST(Segment, EmptyTracksAndSeekHeadsAreDropped) {
    const ParsedElement<nvr::MkvSegment> parsed(segment(
        {el(0x114D9B74, {voidEl(3)}), el(0x1654AE6B, {voidEl(3)}), el(0x1549A966, {voidEl(3)})}));
    EXPECT_TRUE(parsed.record.seekHeads.items.empty());
    EXPECT_TRUE(parsed.record.tracks.items.empty());
    EXPECT_EQ(parsed.record.infos.items.size(), 1u);  // an Info counts even when empty
}

TEST(Segment, SeekEntriesLoadTargetsBehindClusters) {
    std::vector<Element> children = {
        el(0x114D9B74, Bytes{}), info("direct"), tracks(1), cluster(),
        tag("behind"),           info("behind"), tracks(2), el(0x114D9B74, Bytes{})};
    // Second seek head (after the clusters) names another Info; it is never read.
    children[7] = el(0x114D9B74, {seekEntry(0x1549A966, offsetOf(children, 1))});
    // The first seek head names Info twice (directly placed and behind the
    // cluster), Tracks direct, the tag and Tracks behind the cluster, and the
    // second seek head. Positions have a fixed width, so a placeholder head of
    // six entries gives the offsets the real one will have.
    children[0] = el(0x114D9B74, std::vector<Element>(6, seekEntry(0x1549A966, 0)));
    children[0] = el(
        0x114D9B74,
        {seekEntry(0x1549A966, offsetOf(children, 1)), seekEntry(0x1549A966, offsetOf(children, 5)),
         seekEntry(0x1654AE6B, offsetOf(children, 2)), seekEntry(0x134E5652, offsetOf(children, 4)),
         seekEntry(0x1654AE6B, offsetOf(children, 6)),
         seekEntry(0x114D9B74, offsetOf(children, 7))});

    const ParsedElement<nvr::MkvSegment> parsed(segment(children));
    const auto& s = parsed.record;
    ASSERT_EQ(s.seekHeads.items.size(), 1u);
    ASSERT_EQ(s.infos.items.size(), 2u);  // "direct" once, despite two routes to it
    EXPECT_EQ(nvr::textOf(s.infos.items[0].muxingApp), "direct");
    EXPECT_EQ(nvr::textOf(s.infos.items[1].muxingApp), "behind");
    ASSERT_EQ(s.tracks.items.size(), 2u);
    EXPECT_EQ(s.tracks.items[1].items[0].trackNumber, 2u);
    EXPECT_EQ(serialOf(s), "behind");
}

TEST(Segment, SeekTargetIsParsedAsTheNamedKind) {
    std::vector<Element> children = {el(0x114D9B74, {seekEntry(0x134E5652, 0)}), cluster(),
                                     el(0x1549A966, {strEl(0x6E12, "posing")})};
    children[0] = el(0x114D9B74, {seekEntry(0x134E5652, offsetOf(children, 2))});
    const ParsedElement<nvr::MkvSegment> parsed(segment(children));
    EXPECT_EQ(serialOf(parsed.record), "posing");
    EXPECT_TRUE(parsed.record.infos.items.empty());
}

TEST(Segment, SeekTargetPastTheEndIsAnIoError) {
    for (const uint64_t position : {uint64_t{5000}, uint64_t{0x7FFFFFFFFFFFFFFF}}) {
        const Bytes bytes = encode(segment(
            {el(0x114D9B74,
                {el(0x4DBB, {el(0x53AB, encodeId(0x1549A966)), uintEl(0x53AC, position, 8)})})}));
        try {
            const ParsedElement<nvr::MkvSegment> parsed(bytes);
            FAIL() << position;
        } catch (const nvr::MkvException& e) {
            EXPECT_EQ(e.code(), nvr::MkvErrorCode::Io);
            const int64_t expected =
                position == 5000 ? 12 + 5000 : std::numeric_limits<int64_t>::max();
            EXPECT_EQ(e.position(), expected);
        }
    }
}
