// What the outputs claim for recordings whose proof goes as far as the tag's
// signed final value reaches: RSA, HMAC and a re-sealed forgery.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "cli/VerdictFormat.h"
#include "report/HtmlReport.h"
#include "report/JsonReport.h"
#include "report/Timeline.h"
#include "report/Wording.h"
#include "support/Reseal.h"
#include "support/TempFile.h"

namespace {

RecordingEvidence examined(const std::string& path) {
    ExamineOptions options;
    options.keepClusters = true;
    options.fileHash = false;
    return examineRecording(path, options);
}

std::vector<std::string> standings(const nlohmann::json& items) {
    std::vector<std::string> codes;
    for (const nlohmann::json& item : items) {
        codes.push_back(item["standing"]);
    }
    return codes;
}

// The clusters, or the runs' first clusters, that stand out of place.
std::vector<int> outOfPlace(const nlohmann::json& items, const char* number) {
    std::vector<int> found;
    for (const nlohmann::json& item : items) {
        if (item["standing"] == "out-of-place") {
            found.push_back(item[number].get<int>());
        }
    }
    return found;
}

// Green is the colour of proof under the recorder's key and of nothing else.
void expectGreenOnlyWhereProven(const RecordingEvidence& e) {
    const std::string green = timelineColour(TimelineMark::Proven);
    for (const TimelineSpan& span : timelineOf(e, 720).spans) {
        EXPECT_EQ(timelineColour(span.mark) == green, span.mark == TimelineMark::Proven)
            << timelineLabel(span.mark);
    }
}

}  // namespace

TEST(ProofOutput, RsaTagSuccessProvesEveryClusterAndTheOrigin) {
    TempFile file;
    recorder::RecorderOptions options;
    options.clusterCount = 4;
    recorder::writeRecording(file.path(), options);
    const RecordingEvidence e = examined(file.path());
    ASSERT_EQ(e.verdict.code, VerdictCode::Success);
    const nlohmann::json json = jsonFileObject(e, ReportContext{}, true);
    EXPECT_EQ(json["reportVersion"], 2);
    EXPECT_EQ(json["proofKey"], "rsa");
    EXPECT_EQ(json["originProven"], true);
    EXPECT_TRUE(json["tag"]["unsignedField"].is_null());
    EXPECT_EQ(standings(json["clusters"]), std::vector<std::string>(4, "proven"));
    EXPECT_EQ(json["clusters"][2]["keyFrom"], 2);
    EXPECT_EQ(json["clusters"][0]["unsignedFrames"], false);
    EXPECT_EQ(standings(json["runs"]), std::vector<std::string>{"proven"});
    EXPECT_EQ(json["runs"][0]["proven"], true);
    EXPECT_EQ(textLines(e).find('\n'), std::string::npos);  // the Success line alone
    EXPECT_EQ(originCaveat(e), "");
}

TEST(ProofOutput, HmacTagSuccessIsSealedAndSaysItProvesNoOrigin) {
    TempFile file;
    recorder::RecorderOptions options;
    options.clusterCount = 3;
    options.tagSignature = {recorder::kKindHmac, 3};
    recorder::writeRecording(file.path(), options);
    const RecordingEvidence e = examined(file.path());
    ASSERT_EQ(e.verdict.code, VerdictCode::Success);
    const nlohmann::json json = jsonFileObject(e, ReportContext{}, true);
    EXPECT_EQ(json["proofKey"], "hmac");
    EXPECT_EQ(json["originProven"], false);
    EXPECT_EQ(json["verdict"], "Success");
    EXPECT_EQ(standings(json["clusters"]), std::vector<std::string>(3, "sealed"));

    const std::string caveat = originCaveat(e);
    EXPECT_NE(caveat.find("every copy of this program holds"), std::string::npos);
    EXPECT_NE(caveat.find("not which device made it"), std::string::npos);
    const std::string lines = textLines(e);
    EXPECT_EQ(lines.rfind("Success  ", 0), 0u);
    EXPECT_EQ(lines.substr(lines.find('\n')), "\n    " + caveat);
    const std::string html = htmlReport({e}, ReportContext{});
    EXPECT_NE(html.find("sealed with the built-in key"), std::string::npos);
    EXPECT_EQ(html.find(">verified&nbsp;"), std::string::npos);  // not in the legend
    expectGreenOnlyWhereProven(e);
}

// Re-signed from the altered cluster on, every link holds up to the first
// cluster left as it was; only the tag tells. Nothing before the break is
// proven, nor drawn or called verified.
TEST(ProofOutput, ResealedForgeryShowsLinksThatHoldButAreNotProof) {
    TempFile file;
    recorder::RecorderOptions options;
    options.clusterCount = 8;
    recorder::Recording recording = recorder::writeRecording(file.path(), options);
    recorder::resealAfterFlip(recording, 2, 5);
    const RecordingEvidence e = examined(file.path());
    ASSERT_EQ(e.verdict.code, VerdictCode::Mismatch);
    const nlohmann::json json = jsonFileObject(e, ReportContext{}, true);
    EXPECT_EQ(json["originProven"], false);
    EXPECT_EQ(json["proofKey"], "rsa");
    EXPECT_EQ(standings(json["clusters"]),
              (std::vector<std::string>{"link-holds", "link-holds", "link-holds", "link-holds",
                                        "link-holds", "failing", "proven", "proven"}));
    EXPECT_EQ(standings(json["runs"]),
              (std::vector<std::string>{"link-holds", "failing", "proven"}));
    EXPECT_EQ(json["runs"][0]["status"], "verified");  // the link holds all the same
    EXPECT_EQ(json["runs"][0]["proven"], false);
    expectGreenOnlyWhereProven(e);
    const std::string html = htmlReport({e}, ReportContext{});
    EXPECT_NE(html.find("links hold, not tied to the tag</td><td>1–5</td>"), std::string::npos);
}

// After foreign clusters are inserted, the first cluster after each holds
// under the value two places back: in its sealed order, it stands as a
// cluster whose link holds, as far as the tag's key proves it, and never
// out of place; a swapped pair still is.
TEST(ProofOutput, AClusterInItsSealedOrderIsNeverOutOfPlace) {
    using recorder::Tampering;
    std::vector<Tampering> spread;
    std::vector<int> spreadWitnesses;
    for (int i = 0; i < 32; ++i) {
        spread.push_back(Tampering::insertForeignCluster(10 + i));
        spreadWitnesses.push_back(12 + 2 * i);
    }
    struct Case {
        std::vector<Tampering> tampering;
        recorder::SignatureParams tag;
        std::vector<int> witnesses;
        const char* standing;         // of each witness
        std::vector<int> outOfPlace;  // its first two clusters out of place
        bool swapped = false;
    };
    const recorder::SignatureParams rsa = recorder::RecorderOptions{}.tagSignature;
    const recorder::SignatureParams hmac{recorder::kKindHmac, 3};
    const Case cases[] = {
        {{Tampering::insertForeignCluster(30)}, rsa, {32}, "proven", {}},
        {{Tampering::insertForeignCluster(30)}, hmac, {32}, "sealed", {}},
        {{Tampering::insertForeignCluster(30), Tampering::flipTagByte()},
         rsa,
         {32},
         "link-holds",
         {}},
        {spread, rsa, spreadWitnesses, "proven", {}},
        {{Tampering::swapClusters(20, 21)}, rsa, {}, "", {21, 22}, true},
    };
    for (const Case& c : cases) {
        TempFile file;
        recorder::RecorderOptions options;
        options.clusterCount = 60;
        options.blocksPerCluster = 1;
        options.blockSize = 64;
        options.tagSignature = c.tag;
        options.tampering = c.tampering;
        recorder::writeRecording(file.path(), options);
        const nlohmann::json json = jsonFileObject(examined(file.path()), ReportContext{}, true);
        const std::vector<std::string> clusters = standings(json["clusters"]);
        for (const int witness : c.witnesses) {
            EXPECT_EQ(clusters.at(witness - 1), c.standing) << witness;
            EXPECT_EQ(clusters.at(witness - 2), "failing") << witness;  // the inserted one
            for (const nlohmann::json& run : json["runs"]) {
                if (run["firstCluster"] <= witness && witness <= run["lastCluster"]) {
                    EXPECT_EQ(run["standing"], std::string(c.standing)) << run.dump();
                }
            }
        }
        const std::vector<int> misplaced = outOfPlace(json["clusters"], "number");
        EXPECT_EQ(std::vector<int>(misplaced.begin(),
                                   misplaced.begin() + std::min(misplaced.size(), size_t{2})),
                  c.outOfPlace);
        EXPECT_EQ(
            outOfPlace(json["runs"], "firstCluster"),
            std::vector<int>(c.outOfPlace.begin(), c.outOfPlace.begin() + (c.swapped ? 1 : 0)));
    }
}
