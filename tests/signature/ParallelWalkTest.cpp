// The walk on several threads must give exactly what the walk on one gives:
// the same result, exception text, description and progress reports.
#include <gtest/gtest.h>

#include "container/MkvParser.h"
#include "signature/WalkEvidence.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

using recorder::RecorderOptions;
using recorder::Tampering;

namespace {

struct Outcome {
    std::optional<VerifyWalkResult> result;
    std::string error;
    std::string detail;
    std::vector<double> progress;
    std::string map;  // every cluster and run the walk recorded
};

std::string mapOf(const nvr::WalkEvidence& walk) {
    std::string text;
    for (const ClusterEntry& c : walk.map.entries()) {
        text += std::to_string(c.number) + clusterStatusCode(c.status) +
                std::to_string(c.headerOffset) + "/" + std::to_string(keyTrialNumber(c.keyedBy)) + " ";
    }
    for (const ClusterRun& r : walk.map.runs()) {
        text += std::string("| ") + clusterStatusCode(r.status) + std::to_string(r.firstCluster) +
                "-" + std::to_string(r.lastCluster) + "@" + std::to_string(r.startOffset) + "-" +
                std::to_string(r.endOffset);
    }
    return text + "| " + walk.walkError + std::to_string(walk.chainEndMatches);
}

void collectParallel(double fraction, void* context) {
    static_cast<std::vector<double>*>(context)->push_back(fraction);
}

// helpers 0: the sequential walk.
Outcome walk(const std::string& path, size_t helpers, size_t batchClusters) {
    Outcome outcome;
    nvr::MkvParser parser(path.c_str());
    try {
        parser.parse();
        if (helpers == 0) {
            outcome.result = parser.verifySignatures(&collectParallel, &outcome.progress);
        } else {
            std::vector<std::unique_ptr<nvr::MkvParser>> workers;
            for (size_t i = 0; i < helpers; ++i) {
                workers.push_back(std::make_unique<nvr::MkvParser>(path.c_str()));
            }
            outcome.result = parser.verifySignaturesParallel(&collectParallel, &outcome.progress, workers,
                                                             batchClusters);
        }
        outcome.detail = parser.verifyDetail();
    } catch (const nvr::MkvException& e) {
        outcome.error = e.what();
    }
    outcome.map = mapOf(parser.walkEvidence());
    return outcome;
}

void expectSameAsSequential(const RecorderOptions& options, const std::string& label) {
    const TempFile file;
    recorder::writeRecording(file.path(), options);
    const Outcome sequential = walk(file.path(), 0, 0);
    for (const size_t helpers : {size_t{1}, size_t{3}}) {
        for (const size_t batch : {size_t{1}, size_t{2}, size_t{0}}) {
            const Outcome parallel = walk(file.path(), helpers, batch);
            const std::string where =
                label + " helpers " + std::to_string(helpers) + " batch " + std::to_string(batch);
            EXPECT_EQ(parallel.result, sequential.result) << where;
            EXPECT_EQ(parallel.error, sequential.error) << where;
            EXPECT_EQ(parallel.detail, sequential.detail) << where;
            EXPECT_EQ(parallel.progress, sequential.progress) << where;
            EXPECT_EQ(parallel.map, sequential.map) << where;
        }
    }
}

}  // namespace

TEST(ParallelWalk, EveryTamperingGivesTheSequentialOutcome) {
    const std::vector<std::pair<const char*, Tampering>> cases = {
        {"flip first", Tampering::flipClusterByte(0)},
        {"flip middle", Tampering::flipClusterByte(3)},
        {"flip last", Tampering::flipClusterByte(6)},
        {"flip tag", Tampering::flipTagByte()},
        {"swap", Tampering::swapClusters(2, 3)},
        {"drop", Tampering::dropCluster(4)},
        {"drop last", Tampering::dropCluster(6)},
        {"insert", Tampering::insertForeignCluster(5)},
        {"truncate", Tampering::truncateInLastCluster()},
        {"wrong final", Tampering::wrongFinalSignature()},
        {"missing tag", Tampering::missingTag()},
        {"no serial", Tampering::tagWithoutSerial()},
        {"signature last", Tampering::signatureLast(4)},
        {"decoy", Tampering::decoyBeforeSignature(2)},
        {"extra byte", Tampering::extraValueByte(5)},
        {"short value", Tampering::shortValueByte(2)},
        {"unsigned", Tampering::unsignedRecording()},
    };
    RecorderOptions intact;
    intact.clusterCount = 7;
    expectSameAsSequential(intact, "intact");
    for (const auto& [label, tampering] : cases) {
        RecorderOptions options = intact;
        options.tampering.push_back(tampering);
        expectSameAsSequential(options, label);
    }
}

TEST(ParallelWalk, FailuresInsideTheCheckKeepFileOrder) {
    // An RSA cluster in the middle throws while a later cluster is also
    // broken: the earlier exception decides, as it does on one thread.
    RecorderOptions options;
    options.clusterCount = 6;
    options.clusterSignature[2] = {recorder::kKindRsa, 3};
    options.tampering.push_back(Tampering::flipClusterByte(4));
    expectSameAsSequential(options, "rsa then flip");

    // A mismatch before a bad digest type: the mismatch decides.
    RecorderOptions mismatchFirst;
    mismatchFirst.clusterCount = 6;
    mismatchFirst.clusterSignature[4] = {recorder::kKindHmac, 9};
    mismatchFirst.tampering.push_back(Tampering::flipClusterByte(1));
    expectSameAsSequential(mismatchFirst, "flip then bad digest");

    RecorderOptions digests;
    digests.clusterCount = 5;
    digests.firstCluster = {recorder::kKindRsa, 1};
    digests.laterClusters = {recorder::kKindHmac, 4};
    expectSameAsSequential(digests, "mixed digests");
}
