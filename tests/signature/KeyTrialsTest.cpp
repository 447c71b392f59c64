// Key trials: how far they reach, what their budget buys, and that junk
// before the recording cannot take from the clusters after it what they
// need to tell a swap from a removal.
#include <gtest/gtest.h>

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

// Small clusters: a trial then costs mostly its set-up.
RecorderOptions small(int clusters, std::vector<Tampering> tampering) {
    RecorderOptions options;
    options.clusterCount = clusters;
    options.blocksPerCluster = 1;
    options.blockSize = 256;
    options.tampering = std::move(tampering);
    return options;
}

// `count` foreign clusters before chain cluster `before`.
std::vector<Tampering> foreign(int count, int before) {
    return std::vector<Tampering>(static_cast<size_t>(count),
                                  Tampering::insertForeignCluster(before));
}

// With `junk`, the foreign clusters hold under no key at all.
RecordingEvidence examine(const RecorderOptions& options, bool junk = false) {
    const TempFile file;
    const recorder::Recording written = recorder::writeRecording(file.path(), options);
    if (junk) {
        recorder::spoilForeignClusters(written);
    }
    ExamineOptions examineOptions;
    examineOptions.keepClusters = true;
    examineOptions.fileHash = false;
    return examineRecording(file.path(), examineOptions);
}

int64_t keyedBy(const RecordingEvidence& evidence, int64_t cluster) {
    return keyTrialNumber(evidence.clusters.at(static_cast<size_t>(cluster - 1)).keyedBy);
}

std::vector<const Finding*> findingsOf(const RecordingEvidence& evidence, FindingCode code) {
    std::vector<const Finding*> found;
    for (const Finding& finding : evidence.findings) {
        if (finding.code == code) {
            found.push_back(&finding);
        }
    }
    return found;
}

std::string codes(const RecordingEvidence& evidence) {
    std::string all;
    for (const Finding& finding : evidence.findings) {
        all += std::string(findingCodeName(finding.code)) + "@" +
               std::to_string(finding.firstCluster) + " ";
    }
    return all;
}

}  // namespace

// A value stored 32 clusters away is tried, one 33 away is not, both ways.
TEST(KeyTrials, ReachExactly32ClustersEitherWay) {
    // Foreign clusters after cluster 5: the next chain cluster holds under
    // cluster 5's value, 32 (31 inserted) or 33 (32 inserted) back; enough
    // clusters follow that it is tried before the walk's end.
    EXPECT_EQ(keyedBy(examine(small(40, foreign(31, 5))), 37), 5);
    EXPECT_EQ(keyedBy(examine(small(40, foreign(32, 5))), 38), -1);
    // Chain cluster b swapped into the place of cluster 3 holds under the
    // value of chain cluster b - 1, stored 32 (b = 35) or 33 (b = 36) ahead.
    EXPECT_EQ(keyedBy(examine(small(40, {Tampering::swapClusters(2, 35)})), 3), 35);
    EXPECT_EQ(keyedBy(examine(small(40, {Tampering::swapClusters(2, 36)})), 3), -1);
}

// Junk before the recording spends the budget it may draw on; the
// clusters after it are still tried with the values beside them and the
// built-in key, so the swap is told as such and the recording's first
// cluster as spliced, and the part kept for failing clusters beside a link
// that holds still tries the farther values where a cluster is missing.
TEST(KeyTrials, JunkBeforeTheRecordingLeavesItsNearKeys) {
    constexpr int kJunk = 90;
    std::vector<Tampering> tampering = foreign(kJunk, 0);
    tampering.push_back(Tampering::swapClusters(19, 20));
    tampering.push_back(Tampering::dropCluster(30));
    const RecordingEvidence evidence = examine(small(40, tampering), true);
    const std::string all = codes(evidence);

    const auto stopped = findingsOf(evidence, FindingCode::TrialsExhausted);
    ASSERT_EQ(stopped.size(), 1u) << all;
    EXPECT_GT(stopped[0]->firstCluster, 32) << all;
    EXPECT_LE(stopped[0]->firstCluster, kJunk) << all;
    EXPECT_NE(stopped[0]->text.find("Key trials stopped at cluster " +
                                    std::to_string(stopped[0]->firstCluster) + " (offset "),
              std::string::npos);

    const auto spliced = findingsOf(evidence, FindingCode::ClusterSpliced);
    ASSERT_EQ(spliced.size(), 1u) << all;
    EXPECT_EQ(spliced[0]->firstCluster, kJunk + 1) << all;
    EXPECT_EQ(spliced[0]->lastCluster, kJunk + 1) << all;
    const auto moved = findingsOf(evidence, FindingCode::ClusterMoved);
    ASSERT_EQ(moved.size(), 1u) << all;
    EXPECT_EQ(moved[0]->firstCluster, kJunk + 20) << all;
    // Chain cluster 31 is missing: the one after it holds under no key
    // tried, near or far, and the times jump there: a removal.
    const int64_t afterGap = kJunk + 31;
    EXPECT_EQ(keyedBy(evidence, afterGap), -1);
    const auto removed = findingsOf(evidence, FindingCode::ClusterRemoved);
    ASSERT_EQ(removed.size(), 1u) << all;
    EXPECT_EQ(removed[0]->firstCluster, afterGap) << all;
    for (const ClusterEntry& entry : evidence.clusters) {
        EXPECT_TRUE(!entry.proven || entry.number > afterGap) << entry.number;
    }
}

// The budget is twice the file plus 64 MiB of hashing, a trial costing the
// cluster's signed bytes plus 16 KiB: junk (beside no link that holds)
// whose trials need about 85% of it is tried to the end, junk needing about
// 120% is not.
TEST(KeyTrials, BudgetBoundary) {
    const RecordingEvidence within = examine(small(40, foreign(66, 0)), true);
    EXPECT_TRUE(findingsOf(within, FindingCode::TrialsExhausted).empty()) << codes(within);
    EXPECT_EQ(keyedBy(within, 66), -1);

    const RecordingEvidence beyond = examine(small(40, foreign(90, 0)), true);
    const auto stopped = findingsOf(beyond, FindingCode::TrialsExhausted);
    ASSERT_EQ(stopped.size(), 1u) << codes(beyond);
    EXPECT_GT(stopped[0]->firstCluster, 66);
    EXPECT_EQ(keyedBy(beyond, 90), -2);
}
