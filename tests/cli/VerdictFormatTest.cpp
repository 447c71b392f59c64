#include <gtest/gtest.h>

#include "cli/VerdictFormat.h"

namespace {

FileReport report(const std::string& path, int code) {
    FileReport r;
    r.path = path;
    r.verdict.code = static_cast<VerdictCode>(code);
    return r;
}

}  // namespace

TEST(VerdictFormat, TextLines) {
    FileReport ok = report("/cases/17/cam1.mkv", 0);
    ok.verdict.startTime = "2026-12-01 08:00:00";
    ok.verdict.endTime = "2026-12-01 09:00:00";
    ok.verdict.serialNumber = "TLV-1";
    EXPECT_EQ(
        textLine(ok),
        "Success  cam1.mkv  start 2026-12-01 08:00:00  end 2026-12-01 09:00:00  serial TLV-1");

    FileReport mismatch = report("cam2.mkv", 1);
    mismatch.verdict.detail = "cluster 3 at offset 9000: HMAC does not match";
    EXPECT_EQ(
        textLine(mismatch),
        "Failed   cam2.mkv  signature mismatch: cluster 3 at offset 9000: HMAC does not match");

    FileReport error = report("x.mkv", 3);
    error.verdict.errorText = "I/O error @ 0";
    EXPECT_EQ(textLine(error), "Failed   x.mkv  error: I/O error @ 0");

    // A tag text cannot smuggle terminal control sequences, reorder itself
    // or pass for other bytes.
    FileReport hostile = report("y\xC2\x9B.mkv", 0);
    hostile.verdict.serialNumber = "\x1b[2J\n";
    hostile.verdict.startTime =
        "TLV-\xE2\x80\xAE"
        "4321000";
    hostile.verdict.endTime = "TLV\xFE";
    EXPECT_EQ(textLine(hostile),
              "Success  y\\u{009B}.mkv  start TLV-\\u{202E}4321000  end TLV\\xFE  serial "
              "\\u{001B}[2J\\u{000A}");
}

TEST(VerdictFormat, FailureLineSaysWhereAndWhat) {
    RecordingEvidence e;
    e.identity.path = "cam.mkv";
    e.verdict.code = VerdictCode::Mismatch;
    e.verdict.detail = "cluster 8 at offset 900";
    EXPECT_EQ(textLines(e), "Failed   cam.mkv  signature mismatch: cluster 8 at offset 900");

    e.firstFailure = FirstFailure{8, 900, 14.6, "2026-12-01 08:00:14"};
    e.findings.push_back(
        {FindingCode::ChainBreak, "The content of cluster 8\x1b[2J changed.", 8, 8, 14.6});
    EXPECT_EQ(failureLine(e),
              "    at 00:00:14 (2026-12-01 08:00:14, cluster 8): chain-break: The content of "
              "cluster 8\\u{001B}[2J changed.");
    // Every further finding on a line of its own.
    e.findings.push_back(
        {FindingCode::ChainBreak, "The content of cluster 20 changed.", 20, 20, 31.0});
    e.findings.push_back({FindingCode::ChainBroken, "No time.", 0, 0, std::nullopt});
    EXPECT_EQ(textLines(e),
              "Failed   cam.mkv  signature mismatch: cluster 8 at offset 900\n" + failureLine(e) +
                  "\n    at 00:00:31: chain-break: The content of cluster 20 changed.\n"
                  "    chain-broken: No time.");
    // Without times the place is the cluster, or the offset for the tag.
    e.firstFailure = FirstFailure{0, 233, std::nullopt, ""};
    EXPECT_EQ(failureLine(e).rfind("    at offset 233: chain-break: ", 0), 0u);

    e.verdict.code = VerdictCode::Success;  // a file that verified has no such line
    EXPECT_EQ(failureLine(e), "");
}
