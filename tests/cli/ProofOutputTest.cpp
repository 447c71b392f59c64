// What the outputs claim for recordings whose proof goes as far as the tag's
// signed final value reaches: RSA, HMAC and a re-sealed forgery.
#include <gtest/gtest.h>

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
