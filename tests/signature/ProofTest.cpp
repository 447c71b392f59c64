// What is proven: only what the tag's signed final value reaches back to,
// whatever links hold elsewhere; and the two files that every signature
// passes but that carry what no signature covers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "signature/FindingTexts.h"
#include "signature/RecordingEvidence.h"
#include "support/Reseal.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

using recorder::RecorderOptions;
using recorder::Tampering;

namespace {

constexpr int kClusters = 12;

RecorderOptions proofRecording(std::vector<Tampering> tampering, uint32_t tagKind = recorder::kKindRsa) {
    RecorderOptions options;
    options.clusterCount = kClusters;
    options.endTime = "2026-12-01 08:00:12";
    options.tagSignature = {tagKind, 3};
    options.tampering = std::move(tampering);
    return options;
}

// Re-seals chain clusters altered..keepFrom-1 after flipping a byte in the first.
struct Reseal {
    int altered = -1;
    int keepFrom = -1;
};

RecordingEvidence examineProof(const RecorderOptions& options, Reseal reseal = {}) {
    const TempFile file;
    recorder::Recording written = recorder::writeRecording(file.path(), options);
    if (reseal.altered >= 0) {
        recorder::resealAfterFlip(written, reseal.altered, reseal.keepFrom);
    }
    ExamineOptions examineOptions;
    examineOptions.keepClusters = true;
    examineOptions.fileHash = false;
    return examineRecording(file.path(), examineOptions);
}

// "1-4 6-12" of the proven clusters.
std::string proven(const RecordingEvidence& evidence) {
    std::string text;
    int64_t first = 0;
    int64_t last = 0;
    auto flush = [&] {
        if (first != 0) {
            text += (text.empty() ? "" : " ") + std::to_string(first) +
                    (last > first ? "-" + std::to_string(last) : "");
        }
        first = 0;
    };
    for (const ClusterEntry& entry : evidence.clusters) {
        if (!entry.proven) {
            flush();
            continue;
        }
        first = first == 0 ? entry.number : first;
        last = entry.number;
    }
    flush();
    return text;
}

std::string firstCode(const RecordingEvidence& evidence) {
    return evidence.findings.empty() ? "" : findingCodeName(evidence.findings.front().code);
}

}  // namespace

struct ProofCase {
    const char* name;
    std::vector<Tampering> tampering;
    Reseal reseal;
    const char* proven;  // cluster numbers in the file
    const char* finding;
    int64_t findingCluster;
};

void PrintTo(const ProofCase& c, std::ostream* out) {
    *out << c.name;
}

class Proof : public testing::TestWithParam<ProofCase> {};

TEST_P(Proof, OnlyWhatTheTagReachesBackToIsProven) {
    const ProofCase& c = GetParam();
    const RecordingEvidence evidence = examineProof(proofRecording(c.tampering), c.reseal);
    EXPECT_EQ(proven(evidence), c.proven);
    const Finding* found = nullptr;
    for (const Finding& finding : evidence.findings) {
        found = found != nullptr || findingCodeName(finding.code) != std::string(c.finding)
                    ? found
                    : &finding;
    }
    ASSERT_NE(found, nullptr) << (evidence.findings.empty() ? "" : evidence.findings[0].text);
    EXPECT_EQ(found->firstCluster, c.findingCluster) << found->text;
    EXPECT_NE(evidence.verdict.code, VerdictCode::Success);
    EXPECT_FALSE(evidence.originProven);
}

INSTANTIATE_TEST_SUITE_P(
    Recorder, Proof,
    testing::Values(
        // Cluster 4 altered, 4-7 sealed again up to the untouched cluster 8.
        ProofCase{"ResealedToNextUntouched", {}, {3, 7}, "9-12", "chain-break", 8},
        // The tail sealed again: every link holds but the chain's end.
        ProofCase{"ResealedTail", {}, {3, kClusters}, "", "chain-end-mismatch", 0},
        // A forged run chained from the stored value of cluster 5.
        ProofCase{"ForgedRunChainedFromStoredValue",
                  {Tampering::replaceContent(5, 9), Tampering::replaceContent(6, 10)},
                  {5, 7},
                  "9-12",
                  "chain-break",
                  8},
        ProofCase{"ForeignInserted", {Tampering::insertForeignCluster(6)}, {}, "1-6 8-13",
                  "cluster-inserted", 7},
        ProofCase{"Swapped", {Tampering::swapClusters(4, 5)}, {}, "1-12", "cluster-moved", 5},
        ProofCase{"Duplicated", {Tampering::duplicateCluster(4)}, {}, "1-13", "cluster-duplicated",
                  6},
        ProofCase{"Removed", {Tampering::dropCluster(4)}, {}, "6-11", "cluster-removed", 5},
        ProofCase{"FirstRemoved", {Tampering::dropCluster(0)}, {}, "2-11", "chain-break", 1},
        ProofCase{"Appended", {Tampering::insertForeignCluster(kClusters)}, {}, "1-12",
                  "clusters-appended", 13}),
    [](const testing::TestParamInfo<ProofCase>& c) { return std::string(c.param.name); });

TEST(Proof, RootedInTheTagsKindAndNothingElse) {
    const RecordingEvidence rsa = examineProof(proofRecording({}));
    EXPECT_EQ(rsa.verdict.code, VerdictCode::Success);
    EXPECT_EQ(proven(rsa), "1-12");
    EXPECT_EQ(rsa.proofKey, ProofKey::Rsa);
    EXPECT_TRUE(rsa.originProven);
    EXPECT_EQ(rsa.coverage.verifiedBytes, rsa.coverage.signedBytes);

    const RecordingEvidence hmac = examineProof(proofRecording({}, recorder::kKindHmac));
    EXPECT_EQ(hmac.verdict.code, VerdictCode::Success);
    EXPECT_EQ(proven(hmac), "1-12");
    EXPECT_EQ(hmac.proofKey, ProofKey::Hmac);
    EXPECT_FALSE(hmac.originProven);
    EXPECT_EQ(standingOf(ClusterStatus::Verified, true, false, hmac.proofKey), ClusterStanding::Sealed);

    // A link that holds without proof is never "verified".
    const RecordingEvidence tail = examineProof(proofRecording({}), {3, kClusters});
    EXPECT_EQ(tail.proofKey, ProofKey::None);
    EXPECT_LT(tail.coverage.verifiedBytes * 100, tail.coverage.signedBytes);  // the tag alone
    for (const ClusterRun& run : tail.runs) {
        EXPECT_NE(standingOf(run, tail.proofKey), ClusterStanding::Proven);
    }
}

// Every signature holds, yet something a player uses lies outside them.
TEST(Proof, WhatNoSignatureCoversIsNotASuccess) {
    const RecordingEvidence frames = examineProof(proofRecording({Tampering::frameBeforeSignature(6)}));
    EXPECT_EQ(frames.verdict.code, VerdictCode::Unsigned);
    EXPECT_NE(frames.verdict.detail.find("cluster 7 at offset"), std::string::npos)
        << frames.verdict.detail;
    EXPECT_NE(frames.verdict.detail.find("stands before its signature element"), std::string::npos);
    EXPECT_EQ(firstCode(frames), "unsigned-frames");
    ASSERT_TRUE(frames.firstFailure);
    EXPECT_EQ(frames.firstFailure->cluster, 7);
    EXPECT_EQ(proven(frames), "1-6 8-12");

    // Intact in every way but the order of the tag's fields.
    const RecordingEvidence tag = examineProof(proofRecording({Tampering::finalValueBeforeTagSignature()}));
    EXPECT_EQ(tag.verdict.code, VerdictCode::Unsigned);
    EXPECT_EQ(tag.verdict.detail.rfind("recorder tag at offset", 0), 0u) << tag.verdict.detail;
    EXPECT_NE(tag.verdict.detail.find("its final value stands before"), std::string::npos);
    EXPECT_EQ(firstCode(tag), "tag-field-unsigned");
    EXPECT_EQ(tag.proofKey, ProofKey::None);
    EXPECT_EQ(proven(tag), "");

    // A failure elsewhere keeps its verdict; the finding is still listed.
    const RecordingEvidence both =
        examineProof(proofRecording({Tampering::frameBeforeSignature(2), Tampering::flipClusterByte(8)}));
    EXPECT_EQ(both.verdict.code, VerdictCode::Mismatch);
    bool listed = false;
    for (const Finding& finding : both.findings) {
        listed = listed || finding.code == FindingCode::UnsignedFrames;
    }
    EXPECT_TRUE(listed);
}

// A removal is told from the stated times only past one and a half cluster
// durations, and its count rounds the gap.
TEST(Proof, RemovedCountAtItsBoundaries) {
    struct Case {
        double gap;
        long removed;
    };
    for (const Case c : {Case{1.5, 0}, Case{1.5001, 1}, Case{2.49, 1}, Case{3.49, 2}, Case{3.5, 3}}) {
        ClusterMap map;
        for (int n = 1; n <= 5; ++n) {
            ClusterEntry entry;
            entry.number = n;
            entry.status = n == 5 ? ClusterStatus::Mismatch : ClusterStatus::Verified;
            entry.seconds = n == 5 ? 3.0 + c.gap : n - 1.0;
            map.add(entry);
        }
        EXPECT_EQ(removedBefore(map, *map.find(5), 1.0), c.removed) << c.gap;
    }
}

TEST(Proof, ABreakNamesEveryCauseItIsConsistentWith) {
    const RecordingEvidence evidence = examineProof(proofRecording({}), {3, 7});
    const Finding& finding = evidence.findings.front();
    EXPECT_EQ(finding.text,
              "Cluster 8 (00:00:07–00:00:08 as stated) does not hold under the value stored "
              "before it, while cluster 9 holds under the value cluster 8 stores and is tied to "
              "the recorder tag. So cluster 8 is not as the recorder sealed it in this place: its "
              "content was changed after sealing, or clusters 1–7 before it were altered, "
              "replaced or reordered, or clusters were removed or inserted before cluster 8.");
}

// Metadata that does not read (a seek entry past the end) ends in an error,
// but the clusters found by scanning the Segment are still mapped and proven.
TEST(Proof, ClustersAreMappedWhenTheMetadataDoesNotRead) {
    const TempFile file;
    const recorder::Recording written = recorder::writeRecording(file.path(), proofRecording({}));
    std::FILE* const f = std::fopen(file.path().c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> head(4096);
    const size_t got = std::fread(head.data(), 1, head.size(), f);
    const uint8_t positionId[] = {0x53, 0xAC, 0x88};  // SeekPosition, 8 bytes
    const auto at = std::search(head.begin() + written.seekHeadOffset, head.begin() + got,
                                std::begin(positionId), std::end(positionId));
    ASSERT_NE(at, head.begin() + got);
    const std::vector<uint8_t> far = {0x00, 0x00, 0x00, 0x10, 0, 0, 0, 0};
    std::fseek(f, static_cast<long>(at - head.begin()) + 3, SEEK_SET);
    std::fwrite(far.data(), 1, far.size(), f);
    std::fclose(f);

    ExamineOptions options;
    options.keepClusters = true;
    options.fileHash = false;
    const RecordingEvidence evidence = examineRecording(file.path(), options);
    EXPECT_EQ(evidence.verdict.code, VerdictCode::Error);
    EXPECT_EQ(evidence.clusterCount, kClusters);
    EXPECT_EQ(evidence.coverage.fileSize, written.fileSize);
    EXPECT_EQ(evidence.identity.size, written.fileSize);
    ASSERT_FALSE(evidence.findings.empty());
    EXPECT_EQ(evidence.findings.front().code, FindingCode::FileError);
}

// RSA under a key taken from the file: the forger reuses the value the tag
// vouches for as the RSA signature of content of his own, and stores before
// it a public key he chose so that it verifies. The link holds; it proves
// nothing, and the forged cluster must not be proven.
TEST(Proof, AnRsaSignatureUnderAKeyFromTheFileProvesNothing) {
    RecorderOptions genuine = proofRecording({});
    genuine.laterClusters = {recorder::kKindHmac, 4};  // a 64-byte final value
    const TempFile original;
    const recorder::Bytes finalValue =
        recorder::writeRecording(original.path(), genuine).chainEnd;

    RecorderOptions forged = proofRecording({});
    forged.clusterCount = 2;
    forged.clusterSignature = {{0, {recorder::kKindRsa, 3}}, {1, {recorder::kKindHmac, 4}}};
    forged.tagFinalValue = finalValue;
    const TempFile file;
    recorder::Recording written = recorder::writeRecording(file.path(), forged);
    recorder::resignUnderChosenKey(written, 1, finalValue);

    ExamineOptions options;
    options.keepClusters = true;
    options.fileHash = false;
    const RecordingEvidence evidence = examineRecording(file.path(), options);
    ASSERT_EQ(evidence.clusters.size(), 2u);
    const ClusterEntry& forgedCluster = evidence.clusters[1];
    EXPECT_EQ(forgedCluster.kind, recorder::kKindRsa);
    EXPECT_EQ(forgedCluster.status, ClusterStatus::Verified);  // the forgery verifies
    EXPECT_EQ(forgedCluster.keyFrom, 1);
    EXPECT_FALSE(forgedCluster.proven);
    EXPECT_EQ(proven(evidence), "");
    EXPECT_NE(evidence.verdict.code, VerdictCode::Success);
    EXPECT_FALSE(evidence.originProven);
}
