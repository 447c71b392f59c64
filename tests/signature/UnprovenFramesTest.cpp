// What plays is what is proven: frames a player reads outside the signed
// bytes of every proven cluster turn a would-be Success into "not signed",
// wherever they stand; and no rule about what lies outside the signatures
// or the proof touches a verdict that is not a Success.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"
#include "support/FrameForgeries.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

using recorder::FrameForgery;
using recorder::RecorderOptions;
using recorder::Tampering;

namespace {

RecorderOptions unprovenRecording(std::vector<Tampering> tampering = {}) {
    RecorderOptions options;
    options.clusterCount = 6;
    options.endTime = "2026-12-01 08:00:06";
    options.tampering = std::move(tampering);
    return options;
}

RecordingEvidence examinePath(const std::string& path) {
    ExamineOptions options;
    options.keepClusters = true;
    options.fileHash = false;
    return examineRecording(path, options);
}

// A verdict's detail without its offsets, which the frames added move.
std::string withoutNumbers(const std::string& detail) {
    return std::regex_replace(detail, std::regex("[0-9]+"), "N");
}

const Finding* findingOf(const RecordingEvidence& evidence, FindingCode code) {
    for (const Finding& finding : evidence.findings) {
        if (finding.code == code) {
            return &finding;
        }
    }
    return nullptr;
}

}  // namespace

struct ForgeryCase {
    const char* name;
    FrameForgery forgery;
    const char* place;
};

void PrintTo(const ForgeryCase& c, std::ostream* out) {
    *out << c.name;
}

class UnprovenFrames : public testing::TestWithParam<ForgeryCase> {};

TEST_P(UnprovenFrames, AreNotASuccess) {
    const ForgeryCase& c = GetParam();
    const TempFile file;
    const RecorderOptions options = recorder::forgeryBase(c.forgery, unprovenRecording());
    const recorder::Recording written = recorder::writeRecording(file.path(), options);
    ASSERT_EQ(examinePath(file.path()).verdict.code, VerdictCode::Success);

    const recorder::ForgedFrames forged = recorder::forgeFrames(c.forgery, written, options);
    const RecordingEvidence evidence = examinePath(file.path());
    EXPECT_EQ(evidence.verdict.code, VerdictCode::Unsigned);
    EXPECT_EQ(evidence.verdict.detail, "a frame in the cluster at offset " +
                                           std::to_string(forged.firstCluster) +
                                           " stands outside every proven cluster's signed bytes");
    ASSERT_FALSE(evidence.findings.empty());
    const Finding& finding = evidence.findings.front();
    EXPECT_EQ(finding.code, FindingCode::UnprovenFrames);
    const std::string counted = std::to_string(forged.frames) + " frame(s) in " +
                                std::to_string(forged.clusters) + " cluster(s) " + c.place;
    EXPECT_NE(finding.text.find(counted), std::string::npos) << finding.text;
    ASSERT_TRUE(evidence.firstFailure);
    EXPECT_EQ(evidence.firstFailure->offset, forged.firstCluster);
    EXPECT_EQ(evidence.firstFailure->cluster, 0);
    // The recording itself is still proven throughout.
    for (const ClusterEntry& entry : evidence.clusters) {
        EXPECT_TRUE(entry.proven) << entry.number;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Recorder, UnprovenFrames,
    testing::Values(ForgeryCase{"ClustersAppended", FrameForgery::ClustersAppended,
                                "after the Segment's declared end"},
                    ForgeryCase{"SecondSegment", FrameForgery::SecondSegment,
                                "in another Segment, at offset"},
                    ForgeryCase{"BlockGroupAppended", FrameForgery::BlockGroupAppended,
                                "after the Segment's declared end"},
                    ForgeryCase{"UnknownSizeCluster", FrameForgery::UnknownSizeCluster,
                                "after the Segment's declared end"},
                    ForgeryCase{"HiddenInVoid", FrameForgery::HiddenInVoid, "inside the Segment"}),
    [](const testing::TestParamInfo<ForgeryCase>& c) { return std::string(c.param.name); });

TEST(UnprovenFrames, TextNamesPlacesAndOffsets) {
    const TempFile file;
    const RecorderOptions options = unprovenRecording();
    const recorder::Recording written = recorder::writeRecording(file.path(), options);
    recorder::forgeFrames(FrameForgery::ClustersAppended, written, options);
    const RecordingEvidence evidence = examinePath(file.path());
    const int64_t end = written.fileSize;
    const int64_t size0 = written.clusters[0].endOffset - written.clusters[0].headerOffset;
    const int64_t size1 = written.clusters[1].endOffset - written.clusters[1].headerOffset;
    EXPECT_EQ(evidence.findings.front().text,
              "A player reads 12 frame(s) that lie outside the signed bytes of every proven "
              "cluster: 12 frame(s) in 3 cluster(s) after the Segment's declared end (offset " +
                  std::to_string(end) + "), at offsets " + std::to_string(end) + "–" +
                  std::to_string(end + size0 + size1) +
                  ". No signature tied to the recorder tag vouches for them. Consistent with "
                  "clusters added to the file after the recording was sealed, copied there, or "
                  "from another recording.");
}

// Cluster IDs hidden in Void elements, each opening a cluster of unknown
// size that reads on through all the others: searched without a bound that
// takes time quadratic in the file. The search stops when its read budget
// is spent, and what it could not rule out is no Success.
TEST(UnprovenFrames, SearchIsBoundedAndAStopIsNoSuccess) {
    const TempFile file;
    const recorder::Recording written = recorder::writeRecording(file.path(), unprovenRecording());
    ebml::Bytes hidden;
    for (int i = 0; i < 4000; ++i) {
        hidden.insert(hidden.end(), {0xEC, 0x85, 0x1F, 0x43, 0xB6, 0x75, 0xFF});
    }
    file.writeAt(static_cast<unsigned long long>(written.fileSize), hidden);
    const RecordingEvidence evidence = examinePath(file.path());
    EXPECT_EQ(evidence.verdict.code, VerdictCode::Unsigned);
    EXPECT_EQ(evidence.verdict.detail.rfind(
                  "the search for frames outside the proven clusters stopped at offset ", 0),
              0u)
        << evidence.verdict.detail;
    ASSERT_FALSE(evidence.findings.empty());
    EXPECT_EQ(evidence.findings.front().code, FindingCode::UnprovenFrames);
    EXPECT_NE(evidence.findings.front().text.find("frames after it could not be ruled out"),
              std::string::npos);
}

// A rule about what lies outside the signatures or the proof decides only
// where the verdict would otherwise be Success: every other verdict, and
// what it says, is the one the file gets without the frames.
TEST(UnprovenFrames, OutsideRulesLeaveOtherVerdictsAlone) {
    const std::vector<Tampering> causes = {
        Tampering::flipClusterByte(3),     // a cluster fails in the walk
        Tampering::wrongFinalSignature(),  // the chain's end fails after the walk
        Tampering::flipTagByte(),          // the tag fails before it
        Tampering::dropCluster(5),         // the chain is one short of the tag's value
    };
    for (const Tampering& cause : causes) {
        const TempFile plain;
        recorder::writeRecording(plain.path(), unprovenRecording({cause}));
        const RecordingVerdict expected = examinePath(plain.path()).verdict;
        ASSERT_NE(expected.code, VerdictCode::Success);

        const TempFile framed;
        recorder::writeRecording(framed.path(),
                                 unprovenRecording({cause, Tampering::frameBeforeSignature(1)}));
        const RecordingVerdict unsignedFrames = examinePath(framed.path()).verdict;
        EXPECT_EQ(unsignedFrames.code, expected.code) << expected.detail;
        EXPECT_EQ(withoutNumbers(unsignedFrames.detail), withoutNumbers(expected.detail));

        const TempFile appended;
        const RecorderOptions options = unprovenRecording({cause});
        const recorder::Recording written = recorder::writeRecording(appended.path(), options);
        recorder::forgeFrames(FrameForgery::ClustersAppended, written, options);
        const RecordingEvidence unproven = examinePath(appended.path());
        EXPECT_EQ(unproven.verdict.code, expected.code) << expected.detail;
        EXPECT_EQ(unproven.verdict.detail, expected.detail);
        EXPECT_EQ(findingOf(unproven, FindingCode::UnprovenFrames), nullptr);
    }
}
