// The JSON object and the HTML report over evidence built by hand.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "report/CsvReport.h"
#include "report/Escape.h"
#include "report/HtmlReport.h"
#include "report/JsonDepth.h"
#include "report/JsonEvidence.h"
#include "report/JsonReport.h"
#include "report/Timeline.h"

namespace {

// A failed recording whose tag states a hostile serial, with `runs` runs
// alternating verified and mismatching one-second clusters.
RecordingEvidence failedRecording(int64_t runs) {
    RecordingEvidence e;
    e.identity.path = "/cases/cam\x1b.mkv";
    e.verdict.code = VerdictCode::Mismatch;
    e.verdict.detail = "cluster 2 at offset 100";
    e.tag = {true,
             40,
             1,
             3,
             false,
             "<script>alert(1)</script>",
             "2026-12-01 08:00:00",
             "2026-12-01 09:00:00",
             ""};
    for (int64_t i = 0; i < runs; ++i) {
        const ClusterStatus status = i % 2 ? ClusterStatus::Mismatch : ClusterStatus::Verified;
        e.runs.push_back({status, i + 1, i + 1, 100 * i, 100 * i + 100, double(i), double(i + 1)});
    }
    e.clusterCount = runs;
    e.findings.push_back({FindingCode::ChainBreak, "The content of cluster 2 changed.", 2, 2, 1.0});
    e.firstFailure = FirstFailure{2, 100, 1.0, "2026-12-01 08:00:01"};
    return e;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

}  // namespace

TEST(JsonFileObject, KeepsTheVerdictKeysAndAddsTheEvidence) {
    ReportContext run;
    run.verifierName = "telvar-verify";
    run.verifiedAt = "2026-12-08T10:00:00Z";
    RecordingEvidence e = failedRecording(2);
    e.clusters.push_back({});
    const nlohmann::json object = nlohmann::json::parse(dumpJson(jsonFileObject(e, run, false)));
    EXPECT_EQ(object["file"], "cam\\u{001B}.mkv");
    EXPECT_EQ(object["fileBytes"], "63616d1b2e6d6b76");
    EXPECT_EQ(object["path"], "/cases/cam\\u{001B}.mkv");
    EXPECT_EQ(object["pathBytes"], "2f63617365732f63616d1b2e6d6b76");
    EXPECT_EQ(object["code"], 1);
    EXPECT_EQ(object["verdict"], "Failed");
    EXPECT_EQ(object["detail"], "cluster 2 at offset 100");
    for (const char* key : {"startTime", "endTime", "serialNumber", "errorText"}) {
        EXPECT_EQ(object[key], "") << key;  // the verdict proves no tag text
    }
    EXPECT_EQ(object["reportVersion"], 2);
    // The tag's texts are there as stated, marked as not verified.
    EXPECT_EQ(object["tag"]["serialNumber"], "<script>alert(1)</script>");
    EXPECT_EQ(object["tag"]["verified"], false);
    EXPECT_EQ(object["tag"]["signatureHolds"], false);
    EXPECT_EQ(object["tag"]["kind"], "rsa");
    EXPECT_EQ(object["tag"]["digest"], "sha256");
    EXPECT_EQ(object["runs"][1]["status"], "mismatch");
    EXPECT_EQ(object["findings"][0]["code"], "chain-break");
    EXPECT_EQ(object["firstFailure"]["cluster"], 2);
    EXPECT_EQ(object["verifier"]["name"], "telvar-verify");
    EXPECT_EQ(object["verifiedAt"], "2026-12-08T10:00:00Z");
    EXPECT_TRUE(object["sha256"].is_null());
    EXPECT_FALSE(object.contains("clusters"));
    EXPECT_EQ(jsonFileObject(e, run, true)["clusters"].size(), 1u);
    EXPECT_TRUE(jsonFileObject(RecordingEvidence{}, run, false)["firstFailure"].is_null());
}

TEST(JsonFileObject, WritesKeyTrialsAsDocumented) {
    RecordingEvidence e;
    e.clusters.resize(4);
    e.clusters[1].keyedBy = KeyTrial::noneHolds();
    e.clusters[2].keyedBy = KeyTrial::holdsUnder(std::nullopt);
    e.clusters[3].keyedBy = KeyTrial::holdsUnder(7);
    const nlohmann::json clusters = jsonFileObject(e, ReportContext{}, true)["clusters"];
    // -2 not tried, -1 none holds, 0 the built-in key, otherwise the cluster.
    EXPECT_EQ(clusters[0]["keyedBy"], -2);
    EXPECT_EQ(clusters[1]["keyedBy"], -1);
    EXPECT_EQ(clusters[2]["keyedBy"], 0);
    EXPECT_EQ(clusters[3]["keyedBy"], 7);
}

// The line written straight (jsonLine, the case's and --jsonl's) is the
// dumped object byte for byte: hostile and cut-short texts in every kind of
// member, numbers of every form, members absent and present.
TEST(JsonLine, IsTheDumpedObjectByteForByte) {
    const std::string hostile = "q\"b\\s\x01\t\n\x7f\xc3\xa9\xe2\x80\xae\xff\xc3";
    ReportContext run;
    run.verifierName = "telvar-" + hostile;
    run.examiner = hostile;
    run.caseReference = "\xe2\x80\x8b";
    run.verifiedAt = "2026-12-08T10:00:00Z";
    RecordingEvidence e = failedRecording(3);
    e.verdict.errorText = hostile;
    e.verdict.serialNumber = "\xf0\x9f\x93\xb7 cam";
    e.identity.error = hostile;
    e.identity.modifiedUtc = "2026-12-01T08:00:00Z";
    e.tag.unsignedField = hostile;
    e.provenance = {2, 1, {"plain", hostile}};
    e.coverage = {-1, 1000, 900, {{hostile, 20, 1}, {"Info", 0, 0}}, hostile};
    e.medianClusterSeconds = 0.1;
    e.runs[0].startSeconds = 1e-7;
    e.runs[1].endSeconds = 1e21;
    e.runs[2].startSeconds = std::nullopt;
    e.findings.push_back({FindingCode::FileError, hostile, 0, 0, -2.5});
    e.warnings.push_back({hostile, hostile});
    e.firstFailure->wallClock = hostile;
    e.clusters.resize(2);
    e.clusters[1] = {2, 300, 100, 310, 390, 2.0, KeyTrial::holdsUnder(7), 2, 3,
                     ClusterStatus::Mismatch, 1, {}, true, false};
    for (const bool clusters : {false, true}) {
        EXPECT_EQ(jsonLine(e, run, clusters), dumpJson(jsonFileObject(e, run, clusters)));
    }
    RecordingEvidence bare;
    bare.identity.path = "a.mkv";
    EXPECT_EQ(jsonLine(bare, {}, true), dumpJson(jsonFileObject(bare, {}, true)));
    EXPECT_EQ(jsonVerifier(run), jsonFileObject(e, run, false)["verifier"]);
}

// A case keeps only this object: what is read back must write the same
// bytes, hostile texts and every kind of member included.
TEST(JsonEvidence, ReadsBackWhatTheObjectWrote) {
    ReportContext run;
    run.verifierName = "telvar-authenticator";
    run.examiner = "A. Examiner";
    run.verifiedAt = "2026-12-08T10:00:00Z";
    RecordingEvidence e = failedRecording(3);
    e.identity.sha256 = std::string(64, 'a');
    e.identity.size = 1234;
    e.tag.unsignedField = "end time";
    e.proofKey = ProofKey::Hmac;
    e.provenance = {2, 1, {"The tag is signed with HMAC."}};
    e.coverage = {1234, 1000, 900, {{"Info", 20, 1}}, "Most bytes are signed."};
    e.medianClusterSeconds = 1.0;
    e.warnings.push_back({"time-gap", "A gap of 2 s."});
    e.runs[1].proven = true;
    e.clusters.resize(3);
    e.clusters[1].keyedBy = KeyTrial::noneHolds();
    e.clusters[2] = {3, 300, 100, 310, 390, 2.0, KeyTrial::holdsUnder(7), 2, 3,
                     ClusterStatus::Mismatch, 1, {}, true, false};
    const std::string written = dumpJson(jsonFileObject(e, run, true));
    const std::optional<StoredEvidence> read = evidenceFromJson(written);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->evidence.identity.path, e.identity.path);  // the exact bytes
    EXPECT_EQ(read->evidence.tag.serialNumber, e.tag.serialNumber);
    EXPECT_EQ(read->verifiedAt, run.verifiedAt);
    EXPECT_EQ(read->examiner, run.examiner);
    EXPECT_EQ(dumpJson(jsonFileObject(read->evidence, run, true)), written);

    for (const char* hostile : {"", "[]", "{\"code\":4}", "{\"code\":\"0\"}", "{\"code\":0,",
                                "{\"code\":1,\"runs\":7,\"tag\":[],\"pathBytes\":\"zz\"}"}) {
        const std::optional<StoredEvidence> parsed = evidenceFromJson(hostile);
        EXPECT_EQ(parsed.has_value(), std::string(hostile).size() > 20) << hostile;
    }
    // Nested past the bound, as a forged case could store it: refused
    // before anything walks it; at the bound, and with brackets inside
    // strings, still read.
    const std::string deep = "{\"code\":0,\"x\":" + std::string(50000, '[') + std::string(50000, ']') + "}";
    EXPECT_FALSE(evidenceFromJson(deep));
    std::string nested = "{\"code\":0,\"s\":\"[[[[\\\"{{\",\"x\":";
    nested += std::string(kMostJsonDepth - 1, '[') + std::string(kMostJsonDepth - 1, ']') + "}";
    EXPECT_TRUE(evidenceFromJson(nested)) << nested;
    EXPECT_FALSE(jsonDepthWithin(std::string(kMostJsonDepth + 1, '[')));
}

TEST(HtmlReport, EscapesFileTextAndStaysBounded) {
    const std::vector<RecordingEvidence> files = {failedRecording(100000), RecordingEvidence{}};
    ReportContext run;
    run.examiner = "<b>Smith</b>";
    const std::string html = htmlReport(files, run);
    EXPECT_EQ(count(html, "<script"), 0u);
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt; <span class=\"unverified nowrap\">"
                        "(not verified)</span>"),
              std::string::npos);
    EXPECT_NE(html.find("cam\\u{001B}.mkv"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;Smith&lt;/b&gt;"), std::string::npos);
    // 100,000 runs: one rectangle per pixel column at most, a capped table.
    EXPECT_LT(html.size(), 300000u);
    EXPECT_LE(count(html, "<rect"), 722u);
    EXPECT_NE(html.find("… 99900 more runs"), std::string::npos);

    HtmlReportOptions forWindow;
    forWindow.inlineSvg = false;
    const std::string qt = htmlReport({failedRecording(3), failedRecording(3)}, run, forWindow);
    EXPECT_EQ(count(qt, "<svg"), 0u);
    EXPECT_NE(qt.find("<img src=\"timeline:1\" width=\"780\" height=\"64\""), std::string::npos);
}

TEST(Timeline, OneFailingClusterAmongThousandsStaysVisible) {
    RecordingEvidence e;
    e.tag.present = true;
    e.tag.startTime = "2026-12-01 08:00:00";
    e.runs.push_back({ClusterStatus::Verified, 1, 50000, 0, 1, 0.0, 50000.0});
    e.runs.push_back({ClusterStatus::Mismatch, 50001, 50001, 1, 2, 50000.0, 50001.0});
    e.runs.push_back({ClusterStatus::Verified, 50002, 86400, 2, 3, 50001.0, 86400.0});
    const Timeline timeline = timelineOf(e, 720);
    ASSERT_EQ(timeline.spans.size(), 3u);
    EXPECT_EQ(timeline.spans[1].mark, TimelineMark::Mismatch);
    EXPECT_EQ(timeline.spans[1].x1 - timeline.spans[1].x0, 1);
    EXPECT_TRUE(timeline.inSeconds);
    EXPECT_TRUE(timeline.wallClock);
    ASSERT_FALSE(timeline.ticks.empty());
    EXPECT_EQ(timeline.ticks[0].label, "08:00:00");
    EXPECT_LE(timeline.ticks.size(), 8u);
}

TEST(Timeline, RunsWithoutEndsOrTimes) {
    // The walk stopped at cluster 3: the rest was never reached and has no end time.
    RecordingEvidence e;
    e.runs.push_back({ClusterStatus::Verified, 1, 2, 0, 200, 0.0, 2.0});
    e.runs.push_back({ClusterStatus::Error, 3, 3, 200, 300, 2.0, std::nullopt});
    e.runs.push_back({ClusterStatus::NotChecked, 4, 0, 300, 1000, std::nullopt, std::nullopt});
    Timeline timeline = timelineOf(e, 100);
    EXPECT_FALSE(timeline.inSeconds);  // no time for the last run: along the bytes
    ASSERT_EQ(timeline.spans.size(), 3u);
    EXPECT_EQ(timeline.spans[2].mark, TimelineMark::NotChecked);
    EXPECT_EQ(timeline.spans[2].x1, 100);
    EXPECT_EQ(timeline.ticks[0].label, "0 B");

    e.runs[2].startSeconds = 3.0;
    e.medianClusterSeconds = 1.0;
    timeline = timelineOf(e, 100);
    EXPECT_TRUE(timeline.inSeconds);
    EXPECT_DOUBLE_EQ(timeline.length, 4.0);  // the last run lasts a cluster
    EXPECT_EQ(timeline.spans[1].mark, TimelineMark::Error);
    EXPECT_NE(htmlReport({e}, ReportContext{}).find("<td>from 4</td>"), std::string::npos);
}

// A foreign cluster states 00:00:00 after a run that reached 00:00:30: the
// run before it keeps its width, to its last cluster plus a median one.
TEST(Timeline, AnEndStatedBeforeTheRunsOwnClustersIsNotDrawnAsNothing) {
    RecordingEvidence e;
    e.proofKey = ProofKey::Rsa;
    e.medianClusterSeconds = 1.0;
    e.runs.push_back({ClusterStatus::Verified, 1, 31, 0, 3100, 0.0, 0.0, true});
    e.runs.push_back({ClusterStatus::Mismatch, 32, 32, 3100, 3200, 0.0, 1.0});
    e.runs.push_back({ClusterStatus::Verified, 33, 60, 3200, 6000, 32.0, 60.0});
    Timeline timeline = timelineOf(e, 600);
    ASSERT_EQ(timeline.extents.size(), 3u);
    EXPECT_DOUBLE_EQ(timeline.extents[0].to, 31.0);
    EXPECT_TRUE(timeline.extents[0].endEstimated);
    EXPECT_FALSE(timeline.extents[2].endEstimated);
    ASSERT_EQ(timeline.spans.size(), 3u);  // the failure drawn over the run's start
    EXPECT_EQ(timeline.spans[1].mark, TimelineMark::Proven);
    EXPECT_EQ(timeline.spans[1].x1, 310);  // 31 of the axis's 60 seconds

    // With the cluster map, its last cluster's own stated time counts.
    for (int64_t n = 1; n <= 31; ++n) {
        ClusterEntry entry;
        entry.number = n;
        entry.seconds = n == 31 ? 40.0 : double(n - 1);
        e.clusters.push_back(entry);
    }
    timeline = timelineOf(e, 600);
    EXPECT_DOUBLE_EQ(timeline.extents[0].to, 41.0);
}

TEST(HtmlReport, FilmstripEmbedsPicturesAndSaysWhichVerified) {
    HtmlReportOptions options;
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G'};
    options.filmstrips = {
        {{"Cluster 1 <b>", true, png, 2, 1, ""}, {"Cluster 2", false, {}, 0, 0, "codec <x>"}}};
    const std::vector<RecordingEvidence> files = {failedRecording(3), failedRecording(3)};
    const std::string html = htmlReport(files, ReportContext{}, options);
    EXPECT_EQ(count(html, "Pictures around the first failure"), 1u);
    EXPECT_NE(html.find("<figure class=\"verified\"><img src=\"data:image/png;base64,iVBORw==\" "
                        "width=\"2\" height=\"1\" alt=\"Cluster 1 &lt;b&gt;\" "
                        "style=\"border-color:#2e7d32\">"),
              std::string::npos);
    EXPECT_NE(html.find("<figure class=\"failed\"><div class=\"nopicture\">No picture: codec "
                        "&lt;x&gt;</div><figcaption>Cluster 2</figcaption>"),
              std::string::npos);
    options.inlinePictures = false;
    EXPECT_NE(htmlReport(files, ReportContext{}, options).find("<img src=\"picture:0:0\""),
              std::string::npos);
}

TEST(HtmlReport, ItsOwnMarkIsRecognisedOnlyAtItsHead) {
    const std::string report = htmlReport({}, ReportContext{});
    EXPECT_TRUE(isOwnReportHead(report));
    EXPECT_TRUE(isOwnReportHead(report.substr(0, 200)));
    EXPECT_FALSE(isOwnReportHead("<!DOCTYPE html>\n<html><head><title>Evidence report"));
    EXPECT_FALSE(isOwnReportHead(std::string("\x1A\x45\xDF\xA3") + kReportMarker));  // a recording
    const std::string late =
        "<!DOCTYPE html>\n" + std::string(kReportMarkerWithin, ' ') + kReportMarker;
    EXPECT_FALSE(isOwnReportHead(late));
}

// The window streams its exports; a file at a time must give the bytes of
// the whole array dumped at once, for none, one and several files.
TEST(JsonReport, StreamedArrayIsTheWholeArrayDumped) {
    std::vector<RecordingEvidence> files(3);
    files[0].identity.path = "a.mkv";
    files[1].identity.path = "b\nc.mkv";
    files[1].findings.push_back({FindingCode::ChainBreak, "line\nbreak", 2, 2, 1.0});
    files[2].identity.path = "d.mkv";
    for (size_t count = 0; count <= files.size(); ++count) {
        const std::vector<RecordingEvidence> some(files.begin(),
                                                  files.begin() + static_cast<long>(count));
        nlohmann::json array = nlohmann::json::array();
        for (const RecordingEvidence& file : some) {
            array.push_back(jsonFileObject(file, ReportContext{}, false));
        }
        EXPECT_EQ(jsonReport(some, ReportContext{}, false), dumpJson(std::move(array), 2)) << count;
    }
}

TEST(JsonReport, ArrayIsAlwaysValidAndOrdered) {
    std::vector<RecordingEvidence> files(2);
    files[0].identity.path = "dir/vid\xC3\xA9o.mkv";
    files[0].verdict.code = VerdictCode::Success;
    files[0].verdict.serialNumber = std::string("SN\xFF\x00Z", 5);  // not UTF-8, with a zero byte
    files[1].identity.path = "b.mkv";
    files[1].verdict.code = VerdictCode::Unsigned;
    files[1].verdict.detail = "no recorder tag";
    const std::string text = jsonReport(files, ReportContext{}, false);
    const nlohmann::json parsed = nlohmann::json::parse(text);  // throws on invalid JSON
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0]["file"], "vid\xC3\xA9o.mkv");
    EXPECT_EQ(parsed[0]["path"], "dir/vid\xC3\xA9o.mkv");
    EXPECT_EQ(parsed[0]["verdict"], "Success");
    EXPECT_EQ(parsed[0]["serialNumber"], "SN\\xFF\\u{0000}Z");
    EXPECT_EQ(parsed[0]["serialNumberBytes"], "534eff005a");
    EXPECT_FALSE(parsed[0].contains("pathBytes"));
    EXPECT_EQ(parsed[1]["code"], 2);
    EXPECT_EQ(parsed[1]["verdict"], "Failed");
    EXPECT_EQ(parsed[1]["detail"], "no recorder tag");
    for (const char* key : {"startTime", "endTime", "serialNumber", "errorText"}) {
        EXPECT_EQ(parsed[1][key], "") << key;
    }
}

// Each file carries its own time of verification when the caller knows it;
// a file without one (and a caller that knows none) the run's.
TEST(JsonReport, EachFileCarriesItsOwnTimeOfVerification) {
    std::vector<RecordingEvidence> files(2);
    ReportContext run;
    run.verifiedAt = "2026-12-09T00:00:00Z";
    ReportFiles listed = lentFiles(files);
    listed.verifiedAt = [](size_t i) { return i == 0 ? std::string("2026-12-09T00:00:07Z") : ""; };
    StringSink sink;
    ASSERT_TRUE(writeJsonReport(listed, run, false, sink));
    const nlohmann::json parsed = nlohmann::json::parse(sink.text);
    EXPECT_EQ(parsed[0]["verifiedAt"], "2026-12-09T00:00:07Z");
    EXPECT_EQ(parsed[1]["verifiedAt"], "2026-12-09T00:00:00Z");
}

// The case's head and the examiner's key close every line made from a case,
// after the columns that were there before; without a case they are empty,
// so every line keeps as many cells as the titles.
TEST(CsvReport, ALineFromACaseCarriesItsHeadAndKey) {
    RecordingEvidence evidence;
    evidence.verdict.code = VerdictCode::Mismatch;
    CsvRow row{&evidence, "a.mkv", "/e/a.mkv", "", "Ann", "C-1"};
    const std::vector<std::string> titles = csvTitles();
    ASSERT_EQ(titles.size(), kCsvFileColumns + 11);  // the key and build columns close it
    EXPECT_EQ(titles[kCsvFileColumns + 1], "Case Reference");
    const std::vector<std::string> plain = csvFields(row);
    ASSERT_EQ(plain.size(), titles.size());
    EXPECT_EQ(plain[kCsvFileColumns + 7], "");
    EXPECT_EQ(plain.back(), telvarBuild());
    EXPECT_EQ(plain[kCsvFileColumns + 2], "");

    ReportContext custody;
    custody.custodyEvents = 0;  // an empty log is still a head
    custody.custodyHead = std::string(64, '0');
    custody.examinerPublicKey = std::string(64, 'b');
    custody.examinerKeyFingerprint = std::string(64, 'c');
    row.custody = &custody;
    std::vector<std::string> fields = csvFields(row);
    ASSERT_EQ(fields.size(), titles.size());
    const std::vector<std::string> tail(fields.begin() + kCsvFileColumns + 2, fields.end() - 3);
    EXPECT_EQ(tail, (std::vector<std::string>{"0", std::string(64, '0'), "not sealed", "",
                                              std::string(64, 'b'), std::string(64, 'c')}));

    custody.custodyEvents = 12;
    custody.custodyExportEvent = 13;
    custody.custodySealExaminer = "Eve";
    custody.custodySealKey = std::string(64, 'c');
    custody.custodySealSignature = std::string(128, 'd');
    fields = csvFields(row);
    EXPECT_EQ(fields[kCsvFileColumns + 4], "sealed by Eve (key " + std::string(64, 'c') +
                                               ", signature " + std::string(128, 'd') + ")");
    EXPECT_EQ(fields[kCsvFileColumns + 5], "13");
    // The seal's words hold a comma: quoted, so the line keeps its cells.
    EXPECT_NE(csvLine(fields).find(",\"sealed by Eve (key "), std::string::npos);
}
