// Findings blame only what the signatures implicate: a cluster in its
// sealed order is never called moved, a copy is named as a copy whichever
// comes first, a break is claimed only where the chain picks up, and the
// provenance never joins a copy to its original.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

using recorder::Tampering;

namespace {

// 60 small one-second clusters.
RecordingEvidence examineBlame(std::vector<Tampering> tampering) {
    recorder::RecorderOptions options;
    options.clusterCount = 60;
    options.blocksPerCluster = 1;
    options.blockSize = 64;
    options.endTime = "2026-12-01 08:01:00";
    options.tampering = std::move(tampering);
    const TempFile file;
    recorder::writeRecording(file.path(), options);
    ExamineOptions examineOptions;
    examineOptions.keepClusters = true;
    examineOptions.fileHash = false;
    return examineRecording(file.path(), examineOptions);
}

// "tag-altered, cluster-inserted 31-61": each finding's code and clusters.
std::string told(const RecordingEvidence& evidence) {
    std::string text;
    for (const Finding& f : evidence.findings) {
        text += (text.empty() ? "" : ", ") + std::string(findingCodeName(f.code));
        if (f.firstCluster != 0) {
            text += " " + std::to_string(f.firstCluster) +
                    (f.lastCluster > f.firstCluster ? "-" + std::to_string(f.lastCluster) : "");
        }
    }
    return text;
}

std::string allText(const RecordingEvidence& evidence) {
    std::string text;
    for (const Finding& f : evidence.findings) {
        text += f.text + "\n";
    }
    return text;
}

}  // namespace

// After an insertion the first cluster after it holds under the value two
// places back (or further): in its sealed order, so only the inserted ones
// are named.
TEST(Blame, AClusterInItsSealedOrderIsNotCalledMoved) {
    std::vector<Tampering> block(31, Tampering::insertForeignCluster(30));
    std::vector<Tampering> spread;
    std::string spreadTold;
    for (int i = 0; i < 32; ++i) {
        spread.push_back(Tampering::insertForeignCluster(10 + i));
        spreadTold += (i == 0 ? "" : ", ") + std::string("cluster-inserted ") +
                      std::to_string(11 + 2 * i);
    }
    struct Case {
        std::vector<Tampering> tampering;
        std::string told;
    };
    const Case cases[] = {
        {{Tampering::insertForeignCluster(30)}, "cluster-inserted 31"},
        {block, "cluster-inserted 31-61"},
        {spread, spreadTold},
        // Nothing proven: the same, on links anyone can recompute.
        {{Tampering::insertForeignCluster(30), Tampering::flipTagByte()},
         "tag-altered, cluster-inserted 31"},
    };
    for (const Case& c : cases) {
        const RecordingEvidence evidence = examineBlame(c.tampering);
        EXPECT_EQ(told(evidence), c.told) << allText(evidence);
    }
}

TEST(Blame, ACopyIsNamedWhicheverComesFirstAndItsOriginalKeepsItsProof) {
    struct Case {
        Tampering tampering;
        int64_t copy;
        int64_t original;
        const char* says;
    };
    const Case cases[] = {
        {Tampering::copyCluster(39, 9), 10, 41,
         "Cluster 41 stands in its sealed place, holding under the value stored in cluster 40; "
         "cluster 10 is joined to neither cluster beside it, so it is the copy"},
        {Tampering::copyCluster(59, 0), 1, 61, "Cluster 61 stands in its sealed place"},
        // Right after its original, the chain goes on from the copy: either may be misplaced.
        {Tampering::duplicateCluster(29), 31, 30, "one of them stands where the recorder did not"},
    };
    for (const Case& c : cases) {
        const RecordingEvidence evidence = examineBlame({c.tampering});
        ASSERT_EQ(told(evidence), "cluster-duplicated " + std::to_string(c.copy))
            << allText(evidence);
        const std::string& text = evidence.findings.front().text;
        EXPECT_NE(text.find("is a byte-for-byte copy of cluster " + std::to_string(c.original) +
                            " at offset " +
                            std::to_string(evidence.clusters[c.original - 1].headerOffset)),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        EXPECT_TRUE(evidence.clusters[c.original - 1].proven);
    }
}

// Cluster 10 altered, cluster 11 a foreign one in place of the next: the
// chain picks up after 12, not after 10.
TEST(Blame, ABreakIsClaimedOnlyWhereTheChainPicksUp) {
    const RecordingEvidence evidence =
        examineBlame({Tampering::flipClusterByte(9), Tampering::insertForeignCluster(10),
                 Tampering::dropCluster(10)});
    EXPECT_EQ(told(evidence), "cluster-mismatch 10, cluster-spliced 11, chain-break 12")
        << allText(evidence);
}

// Runs joined each to the one before: never across a copy, nor across
// a pair moved as one.
TEST(Blame, ProvenanceNeverJoinsACopyToItsOriginal) {
    struct Case {
        std::vector<Tampering> tampering;
        const char* order;
    };
    const Case cases[] = {
        {{Tampering::duplicateCluster(29)}, "1–30, 32–61"},
        {{Tampering::swapClusters(21, 23), Tampering::swapClusters(22, 24)}, "1–21, 22–23, 24–25, 26–60"},
    };
    for (const Case& c : cases) {
        const RecordingEvidence evidence = examineBlame(c.tampering);
        ASSERT_EQ(evidence.provenance.statements.size(), 3u);
        const std::string& proven = evidence.provenance.statements[2];
        EXPECT_NE(proven.find("; and the order of cluster(s) " + std::string(c.order) +
                              ", each joined"),
                  std::string::npos)
            << proven;
    }
}
