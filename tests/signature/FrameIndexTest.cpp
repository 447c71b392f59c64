// A frame's standing is proven only when its packet and every packet its
// picture is decoded from are: packets in file order, frames in pts order.
#include <gtest/gtest.h>

#include "signature/FrameIndex.h"

using nvr::DemuxedPacket;
using nvr::FrameIndex;

namespace {

ClusterEntry cluster(int64_t number, ClusterStatus status, bool proven) {
    ClusterEntry c;
    c.number = number;
    c.headerOffset = number * 100;
    c.size = 100;
    c.signedStart = c.headerOffset + 20;
    c.signedEnd = c.headerOffset + 100;
    c.status = status;
    c.proven = proven;
    return c;
}

DemuxedPacket packet(int64_t pts, int64_t offset, bool keyframe = false) {
    DemuxedPacket p;
    p.pts = pts;
    p.offset = offset;
    p.size = 5;
    p.keyframe = keyframe;
    return p;
}

// Clusters 1, 3 and 5 proven, 2 failing, 4 proven through a key trial (out
// of place); a group with B-frames, one through the out-of-place cluster,
// an open group whose leading picture reaches back into the one before,
// and packets outside every signature.
FrameIndex sampleIndex() {
    RecordingEvidence evidence;
    evidence.proofKey = ProofKey::Rsa;
    evidence.tag.startTime = "2026-12-01 08:00:00";
    evidence.clusters = {cluster(1, ClusterStatus::Verified, true),
                         cluster(2, ClusterStatus::Mismatch, false),
                         cluster(3, ClusterStatus::Verified, true),
                         cluster(4, ClusterStatus::Mismatch, true),
                         cluster(5, ClusterStatus::Verified, true)};
    const std::vector<DemuxedPacket> packets = {
        packet(0, 130, true),    // frame 1
        packet(120, 230),        // frame 4: failing cluster 2
        packet(40, 330),         // frame 2: B-frame from frame 4
        packet(80, 340),         // frame 3
        packet(160, 350, true),  // frame 5
        packet(200, 430),        // frame 6: out of place
        packet(240, 530),        // frame 7
        packet(320, 540, true),  // frame 9
        packet(280, 550),        // frame 8: shown before its keyframe
        packet(360, 110),        // frame 10: before cluster 1's signed bytes
        packet(400, 700),        // frame 11: in no cluster
        packet(440, 560),        // frame 12
    };
    return nvr::indexFrames(packets, {1, 1000}, evidence);
}

struct Expected {
    int64_t frame;
    std::optional<ClusterStanding> standing;
    std::optional<int64_t> dependsOn;
};

}  // namespace

TEST(FrameStanding, FollowsEveryPacketThePictureIsDecodedFrom) {
    const FrameIndex index = sampleIndex();
    ASSERT_EQ(index.frames.size(), 12u);
    const std::optional<ClusterStanding> outside;
    const Expected expected[] = {
        {1, ClusterStanding::Proven, std::nullopt},
        // Decoded from a proven keyframe, itself in a failing cluster.
        {4, ClusterStanding::Failing, std::nullopt},
        // Proven, but decoded from frame 4's failing packet.
        {2, ClusterStanding::Failing, 4},
        {3, ClusterStanding::Failing, 4},
        {5, ClusterStanding::Proven, std::nullopt},
        {6, ClusterStanding::OutOfPlace, std::nullopt},
        {7, ClusterStanding::OutOfPlace, 6},
        {9, ClusterStanding::Proven, std::nullopt},
        {8, ClusterStanding::OutOfPlace, 6},
        {10, outside, std::nullopt},
        {11, outside, std::nullopt},
        {12, outside, 10},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.frame);
        const nvr::FrameEntry& entry = *index.find(e.frame);
        EXPECT_EQ(entry.frame, e.frame);
        EXPECT_EQ(entry.standing, e.standing);
        EXPECT_EQ(entry.dependsOn, e.dependsOn);
    }
    EXPECT_EQ(index.find(10)->cluster, 1);
    EXPECT_FALSE(index.find(11)->cluster);
    EXPECT_STREQ(nvr::frameStandingCode(index.find(12)->standing), "outside-signatures");
}

TEST(FrameStanding, DecodingStartsAtTheKeyframeThatGivesThePicture) {
    const FrameIndex index = sampleIndex();
    EXPECT_EQ(index.decodeStart(1), 1);
    EXPECT_EQ(index.decodeStart(3), 1);
    EXPECT_EQ(index.decodeStart(9), 9);
    EXPECT_EQ(index.decodeStart(8), 5);  // a leading picture needs the group before
    EXPECT_FALSE(index.decodeStart(13));
    EXPECT_EQ(index.statedTime(*index.find(12)), "2026-12-01 08:00:00.440");
    EXPECT_EQ(nvr::timeBaseText(index.timeBase), "1/1000");
}
