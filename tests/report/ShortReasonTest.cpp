// The few words a list gives for a failure: what was seen, not a cause.
#include <gtest/gtest.h>

#include "container/MkvMemoryReader.h"
#include "report/ShortReason.h"
#include "report/Wording.h"

namespace {

// As examineRecording gives it for a file of these bytes, which knows its size.
RecordingEvidence ofBytes(const std::string& bytes) {
    RecordingEvidence e = examineSource(
        std::make_unique<nvr::MkvMemoryReader>(std::vector<uint8_t>(bytes.begin(), bytes.end())));
    e.identity.size = static_cast<int64_t>(bytes.size());
    return e;
}

RecordingEvidence failedWith(VerdictCode code, std::vector<FindingCode> findings) {
    RecordingEvidence e;
    e.verdict.code = code;
    e.identity.size = 4096;
    for (const FindingCode finding : findings) {
        e.findings.push_back({finding, "", 0, 0, std::nullopt});
    }
    return e;
}

}  // namespace

TEST(ShortReasonTest, FilesThatAreNoRecordingSayWhatTheyAre) {
    EXPECT_EQ(shortReason(ofBytes("")), "empty file");
    EXPECT_EQ(shortReason(ofBytes("plain text, not a recording\n")), "not a Matroska file");
    EXPECT_EQ(shortReason(ofBytes(std::string(64, '\0'))), "not a Matroska file");
    RecordingEvidence missing = failedWith(VerdictCode::Error, {FindingCode::FileError});
    missing.identity.size = -1;
    missing.verdict.errorText = "failed to open file";
    EXPECT_EQ(shortReason(missing), "could not be opened");
    missing.verdict.errorText = "not a regular file (a FIFO)";
    EXPECT_EQ(shortReason(missing), "not a regular file");
    missing.verdict.errorText = "the file changed while it was verified";
    EXPECT_EQ(shortReason(missing), "changed while verified");
}

TEST(ShortReasonTest, TheFirstFindingNamesTheReason) {
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Mismatch,
                                     {FindingCode::ClusterRemoved, FindingCode::TagUnsigned})),
              "signature does not hold");
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Unsigned, {FindingCode::TagMissing})), "not signed");
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Unsigned, {FindingCode::UnsignedFrames})),
              "content outside the signatures");
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Unsigned, {FindingCode::UnprovenFrames})),
              "content outside the signatures");
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Mismatch, {FindingCode::RecordingTruncated})),
              "cut short");
    // A read error at a cluster of a file shorter than it declares is its being cut short.
    RecordingEvidence cut =
        failedWith(VerdictCode::Error, {FindingCode::ClusterError, FindingCode::RecordingTruncated});
    cut.verdict.errorText = "I/O error @ 4466";
    EXPECT_EQ(shortReason(cut), "cut short");
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Mismatch, {})), "signature does not hold");
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Success, {})), "");
    EXPECT_EQ(shortReason(failedWith(VerdictCode::NotVerified, {})), "not verified");
}

// A "not signed" headline says what the findings show: where every
// signature held, that something stands outside them, not that nothing is
// signed. A second tag or a cut explains no "not signed" and is passed over.
TEST(ShortReasonTest, NotSignedHeadlineSaysWhatWasFound) {
    const auto headline = [](std::vector<FindingCode> findings) {
        return std::string(
            verdictWording(failedWith(VerdictCode::Unsigned, std::move(findings))).sentence);
    };
    EXPECT_EQ(headline({FindingCode::TagMultiple, FindingCode::UnsignedFrames}),
              "Not signed: frames stand outside the signed bytes.");
    EXPECT_EQ(headline({FindingCode::TagFieldUnsigned, FindingCode::UnsignedFrames}),
              "Not signed: tag fields stand outside the signed bytes.");
    EXPECT_EQ(headline({FindingCode::ClusterUnsigned}),
              "Not signed: clusters carry no usable signature.");
    EXPECT_EQ(headline({FindingCode::TagMissing, FindingCode::UnsignedFrames}),
              "Not signed: the recording carries no usable signature.");
    EXPECT_EQ(headline({}), "Not signed: the recording carries no usable signature.");
}

// A file changed since it was added to its case says so beside any verdict.
TEST(ShortReasonTest, AChangeSinceIntakeIsNamedBesideTheVerdict) {
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Success, {FindingCode::FixityChanged})),
              "bytes changed since added to the case");
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Mismatch,
                                     {FindingCode::ChainBreak, FindingCode::FixityMissing})),
              "signature does not hold; missing since added to the case");
    EXPECT_EQ(shortReason(failedWith(VerdictCode::Error, {FindingCode::FixityMissing})),
              "missing since added to the case");
}

TEST(ShortReasonTest, FirstFailureIsGivenByTheStatedTimes) {
    RecordingEvidence e = failedWith(VerdictCode::Mismatch, {FindingCode::ChainBreak});
    EXPECT_EQ(firstFailureWhen(e), "");
    e.firstFailure = FirstFailure{15, 75780, 14.0, "2026-12-01 08:00:14"};
    EXPECT_EQ(firstFailureWhen(e), "2026-12-01 08:00:14 (00:00:14 as stated)");
    e.firstFailure->wallClock.clear();
    EXPECT_EQ(firstFailureWhen(e), "00:00:14 as stated");
    e.firstFailure->seconds.reset();
    EXPECT_EQ(firstFailureWhen(e), "") << "the tag or the file's start has no time";
}
