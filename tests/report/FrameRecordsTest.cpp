// A still's record carries the recording's path as data: a path that would
// drive a terminal or hide text is shown escaped, its bytes beside it; the
// reports list a case's stills with their records.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "report/FrameRecords.h"
#include "report/HtmlReport.h"
#include "report/Timeline.h"

TEST(StillRecord, PathFromTheFileSystemIsData) {
    nvr::FrameIndex index;
    index.tagStart = "2026-12-01 08:00:00";
    nvr::FrameEntry entry;
    entry.frame = 7;
    entry.pts = 1240;
    StillRecord still;
    still.sourcePath = "cam\x1b[2J\xe2\x80\xae.mkv";
    const std::string text = stillRecordJson(still, index, entry);
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    const nlohmann::json record = nlohmann::json::parse(text);
    EXPECT_EQ(record.at("source").at("path"), "cam\\u{001B}[2J\\u{202E}.mkv");
    EXPECT_EQ(record.at("source").at("pathBytes"), "63616d1b5b324ae280ae2e6d6b76");
    EXPECT_TRUE(record.at("source").at("sha256").is_null());
    EXPECT_EQ(record.at("frame").at("statedTime"), "2026-12-01 08:00:01.240");
    EXPECT_TRUE(record.at("frame").at("cluster").is_null());
    EXPECT_EQ(record.at("frame").at("standing"), "outside-signatures");
}

namespace {

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// A still of a failing frame whose picture rests on frame 5's packet.
ExportedStill stillOfFrame7(const std::string& tagStart, const std::string& sourcePath) {
    nvr::FrameIndex index;
    index.tagStart = tagStart;
    nvr::FrameEntry entry;
    entry.frame = 7;
    entry.pts = 1240;
    entry.cluster = 3;
    entry.standing = ClusterStanding::Failing;
    entry.dependsOn = 5;
    entry.packetSha256.fill(0xcd);
    StillRecord record;
    record.sourcePath = sourcePath;
    record.sourceSha256 = std::string(64, 'e');
    record.proofKey = ProofKey::Rsa;
    record.decoder = "libavcodec 59.37.100";
    record.pngSha256 = std::string(64, 'a');
    record.rgbSha256 = std::string(64, 'b');
    ExportedStill still;
    still.event = 9;
    still.at = "2026-12-08T17:02:11Z";
    still.examiner = "A. Examiner";
    still.pngPath = "/out/frame-7.png";
    still.pngSha256 = record.pngSha256;
    still.recordSha256 = std::string(64, 'f');
    still.recordPath = "/out/frame-7.json";
    still.record = stillRecordJson(record, index, entry);
    return still;
}

}  // namespace

// The report lists a case's stills with their records; one whose record is
// not the exported one shows the event's hashes and why nothing more.
TEST(StillListing, HtmlShowsEachStillWithItsRecordsHashes) {
    ReportContext run;
    run.stills.push_back(stillOfFrame7("2026-12-01 08:00:00", "/cam/a.mkv"));
    ExportedStill changed;
    changed.event = 11;
    changed.pngSha256 = std::string(64, '1');
    changed.recordProblem = "the record beside the still is not the one exported";
    run.stills.push_back(changed);
    const std::string html = htmlReport({}, run);
    EXPECT_NE(html.find("Still of frame 7, custody event 9"), std::string::npos);
    EXPECT_NE(html.find(std::string(64, 'a')), std::string::npos);
    EXPECT_NE(html.find(std::string(64, 'b')), std::string::npos);
    std::string packet;
    for (int i = 0; i < 32; ++i) {
        packet += "cd";
    }
    EXPECT_NE(html.find(packet), std::string::npos);
    EXPECT_NE(html.find("1240 in time base 1/1000"), std::string::npos);
    EXPECT_NE(html.find("2026-12-01 08:00:01.240"), std::string::npos);
    EXPECT_NE(html.find(std::string("color:") + frameStandingColour(ClusterStanding::Failing) +
                        "\">&#9632;</span> failed (that of frame 5"),
              std::string::npos);
    EXPECT_NE(html.find("RSA (the recorder"), std::string::npos);
    EXPECT_NE(html.find("Still, custody event 11"), std::string::npos);
    EXPECT_NE(html.find("Not shown: the record beside the still is not the one exported"),
              std::string::npos);
    EXPECT_EQ(occurrences(html, "SHA-256 of the raw RGB pixels"), 1u);
}

// Text from the recording and the case is data in the report.
TEST(StillListing, HostileTextInARecordIsEscaped) {
    ReportContext run;
    ExportedStill still = stillOfFrame7("<img src=x onerror=alert(1)>", "<script>alert(1)</script>");
    still.examiner = "<b>Eve</b>";
    still.pngPath = "/out/<i>.png";
    run.stills.push_back(still);
    const std::string html = htmlReport({}, run);
    EXPECT_EQ(occurrences(html, "<script"), 0u);
    EXPECT_EQ(occurrences(html, "<img"), 0u);
    EXPECT_EQ(occurrences(html, "<b>"), 0u);
    EXPECT_EQ(occurrences(html, "<i>"), 0u);
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(html.find("by &lt;b&gt;Eve&lt;/b&gt;"), std::string::npos);
}
