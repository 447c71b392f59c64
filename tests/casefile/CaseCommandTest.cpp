// telvar-verify with --case-file: what it stores is what it printed, the
// log check catches edits made with the sqlite3 shell, fixity over time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CaseDirectory.h"
#include "casefile/CaseFile.h"

namespace {

using nlohmann::json;

std::vector<json> jsonLines(const std::string& out) {
    std::vector<json> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(json::parse(line));
    }
    return lines;
}

bool hasFinding(const json& object, const std::string& code) {
    for (const json& finding : object["findings"]) {
        if (finding["code"] == code) {
            return true;
        }
    }
    return false;
}

class CaseCommand : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(runCommand(std::string(TELVAR_MAKE_DEMO_EXE) + " " + quoted(dir.path()) +
                             " >/dev/null")
                      .status,
                  0);
        demos = quoted(dir / "authentic.mkv") + " " + quoted(dir / "tampered.mkv") + " " +
                quoted(dir / "unsigned.mkv");
    }
    std::string caseArg() const { return "--case-file " + quoted(casePath); }

    CaseDirectory dir;
    const std::string casePath = dir / "c.telvarcase";
    std::string demos;
};

}  // namespace

TEST_F(CaseCommand, StoresExactlyWhatItPrintedAndListsIt) {
    const CommandResult run = runVerify(caseArg() + " --case 2026-0042 --jsonl " + demos);
    EXPECT_EQ(run.status, 1);
    std::vector<json> printed = jsonLines(run.out);
    ASSERT_EQ(printed.size(), 4u);
    // The last line is the sealed head, to be kept elsewhere.
    EXPECT_EQ(printed.back()["custodyLog"]["events"], 9);
    EXPECT_EQ(printed.back()["custodyLog"]["seal"]["signature"].get<std::string>().size(), 128u);
    printed.pop_back();
    EXPECT_EQ(printed[0]["verifier"]["caseReference"], "2026-0042");

    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    const CaseFile file(casePath, options);
    const std::vector<RecordingRow> rows = file.recordings();
    ASSERT_EQ(rows.size(), 3u);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].path, printed[i]["path"].get<std::string>());  // absolute already
        EXPECT_EQ(rows[i].intakeSha256, printed[i]["sha256"].get<std::string>());
        EXPECT_EQ(rows[i].latestCode, printed[i]["code"].get<int64_t>());
        EXPECT_EQ(json::parse(file.latestVerification(rows[i].id)->evidenceJson), printed[i]);
    }
    const CommandResult list = runVerify(caseArg() + " --list --json");
    EXPECT_EQ(list.status, 0);
    const json listed = json::parse(list.out);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[1]["evidence"], printed[1]);
    EXPECT_EQ(listed[1]["fixity"], "intake");
    EXPECT_EQ(runVerify(caseArg() + " --audit").status, 0);
}

// Results finished together are stored in one transaction: still each
// its own verification, in the order printed.
TEST_F(CaseCommand, ResultsStoredTogetherKeepThePrintedOrder) {
    std::string files;
    const char* const sources[] = {"authentic.mkv", "tampered.mkv", "unsigned.mkv"};
    for (int i = 0; i < 45; ++i) {
        const std::string path = dir / ("r" + std::to_string(i) + ".mkv");
        ASSERT_EQ(::link((dir / sources[i % 3]).c_str(), path.c_str()), 0);
        files += " " + quoted(path);
    }
    const CommandResult run = runVerify(caseArg() + " --jsonl --jobs 2" + files);
    EXPECT_EQ(run.status, 1);
    std::vector<json> printed = jsonLines(run.out);
    ASSERT_EQ(printed.size(), 46u);
    printed.pop_back();  // the head

    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    const CaseFile file(casePath, options);
    const std::vector<RecordingRow> rows = file.recordings();
    ASSERT_EQ(rows.size(), printed.size());
    int64_t previous = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::optional<StoredVerification> stored = file.latestVerification(rows[i].id);
        ASSERT_TRUE(stored);
        EXPECT_EQ(rows[i].path, printed[i]["path"].get<std::string>());
        EXPECT_EQ(json::parse(stored->evidenceJson), printed[i]);
        EXPECT_GT(stored->id, previous);
        previous = stored->id;
    }
    EXPECT_EQ(runVerify(caseArg() + " --audit").status, 0);
}

TEST_F(CaseCommand, ReverifyReportsChangedAndMissingFilesWithoutChangingTheVerdict) {
    ASSERT_EQ(runVerify(caseArg() + " " + demos).status, 1);
    std::string bytes = readBytes(dir / "authentic.mkv");
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x01);
    writeBytes(dir / "authentic.mkv", bytes);
    ASSERT_EQ(std::remove((dir / "unsigned.mkv").c_str()), 0);

    const CommandResult again = runVerify(caseArg() + " --reverify --jsonl");
    const std::vector<json> lines = jsonLines(again.out);
    ASSERT_EQ(lines.size(), 4u);  // and the head
    // The verdict is what the signatures say of the file as it is now.
    const json plain = json::parse(runVerify("--json " + quoted(dir / "authentic.mkv")).out)[0];
    EXPECT_EQ(lines[0]["code"], plain["code"]);
    EXPECT_TRUE(hasFinding(lines[0], "fixity-changed"));
    EXPECT_FALSE(hasFinding(lines[1], "fixity-changed"));
    EXPECT_TRUE(hasFinding(lines[2], "fixity-missing"));
    EXPECT_EQ(lines[2]["code"], 3);

    const CommandResult text = runVerify(caseArg() + " --reverify");
    EXPECT_NE(text.out.find("fixity-changed: the file's bytes changed since it was added on "),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("fixity-missing: the file is missing"), std::string::npos);
    const CommandResult list = runVerify(caseArg() + " --list");
    EXPECT_NE(list.out.find("changed"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("missing"), std::string::npos);
    EXPECT_EQ(runVerify(caseArg() + " --audit").status, 0);

    // A FIFO in the recording's place is refused, not waited on for ever.
    ASSERT_EQ(::mkfifo((dir / "unsigned.mkv").c_str(), 0600), 0);
    const std::vector<json> fifo =
        jsonLines(runCommand("timeout 60 " + std::string(TELVAR_VERIFY_EXE) + " " + caseArg() +
                             " --reverify --jsonl 2>/dev/null")
                      .out);
    ASSERT_EQ(fifo.size(), 4u);  // and the head
    EXPECT_EQ(fifo[2]["code"], 3);
    EXPECT_EQ(fifo[2]["errorText"], "not a regular file (a FIFO)");
    EXPECT_TRUE(hasFinding(fifo[2], "fixity-unreadable"));
}

// Each edit is made on a copy with the sqlite3 shell, as someone holding
// the file would; the check names the first event that no longer fits.
TEST_F(CaseCommand, AuditNamesTheFirstEventThatDoesNotFit) {
    // 1 created, 2 the examiner's key, 3-8 added and verified, 9 sealed
    ASSERT_EQ(runVerify(caseArg() + " " + demos).status, 1);
    const struct {
        const char* name;
        const char* sql;
        const char* named;  // in the output, or null when the log still holds
    } edits[] = {
        {"deleted", "DELETE FROM events WHERE seq = 4", "broken at event 5"},
        {"edited", "UPDATE events SET examiner = 'Someone Else' WHERE seq = 3",
         "broken at event 3"},
        {"swapped",
         "UPDATE events SET seq = -4 WHERE seq = 4; UPDATE events SET seq = 4 WHERE seq = 5; "
         "UPDATE events SET seq = 5 WHERE seq = -4",
         "broken at event 4"},
        {"evidence edited",
         "UPDATE evidence SET json = replace(json, 'Failed', 'Success') WHERE verification = 2",
         "broken at event 6"},
        {"verdict shortcut edited", "UPDATE recordings SET latest_code = 0", "broken at event 6"},
        // The newest events cut off, the seal with them: the chain still
        // holds, but nothing seals it any more.
        {"newest cut off", "DELETE FROM events WHERE seq >= 8; DELETE FROM verifications WHERE "
                           "event = 8; DELETE FROM evidence WHERE verification = 3; "
                           "DELETE FROM seals; "
                           "UPDATE recordings SET latest_verification = NULL, "
                           "latest_code = NULL, latest_fixity = NULL, latest_at = NULL WHERE id = 3",
         nullptr},
    };
    const std::string original = readBytes(casePath);
    for (const auto& edit : edits) {
        const std::string copy = dir / (std::string(edit.name) + ".telvarcase");
        writeBytes(copy, original);
        ASSERT_EQ(runSqlite(copy, edit.sql).status, 0) << edit.name;
        const CommandResult audit = runVerify("--case-file " + quoted(copy) + " --audit");
        if (edit.named == nullptr) {
            EXPECT_EQ(audit.status, 1) << edit.name << ": " << audit.out;
            EXPECT_NE(audit.out.find("intact: 7 events"), std::string::npos) << audit.out;
            EXPECT_NE(audit.out.find("Not sealed: no examiner's key vouches for any of the 7"),
                      std::string::npos)
                << audit.out;
        } else {
            EXPECT_EQ(audit.status, 1) << edit.name;
            EXPECT_NE(audit.out.find(edit.named), std::string::npos) << edit.name << ": " << audit.out;
        }
    }
}

TEST_F(CaseCommand, ReportCarriesTheLogHeadAndBecomesAnEvent) {
    const std::string report = dir / "r.html";
    const CommandResult run =
        runVerify(caseArg() + " --report " + quoted(report) + " " + quoted(dir / "tampered.mkv"));
    EXPECT_EQ(run.status, 1);
    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    const CaseFile file(casePath, options);
    const AuditResult audit = file.audit();
    // created, key, added, verified, sealed, exported, sealed
    ASSERT_EQ(audit.events, 7);
    EXPECT_TRUE(audit.sealed());
    const std::string html = readBytes(report);
    // The sealed head as the report was made, and the number of its own
    // export event, which comes after it.
    EXPECT_NE(html.find("5 events; SHA-256 of the newest"), std::string::npos);
    EXPECT_NE(html.find("this report is event 6 (exported)"), std::string::npos);
    EXPECT_NE(html.find("Custody events"), std::string::npos);
    EXPECT_NE(html.find("verified by"), std::string::npos);
    const CommandResult list = runSqlite(casePath, "SELECT format, sha256 FROM exports");
    EXPECT_NE(list.out.find("html|"), std::string::npos) << list.out;

    // The kept report is found in the log by its SHA-256; a changed one is not.
    const CommandResult check = runVerify(caseArg() + " --audit --report-file " + quoted(report));
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find("The report is event 6 (exported "), std::string::npos) << check.out;
    writeBytes(report, html + " ");
    const CommandResult changed = runVerify(caseArg() + " --audit --report-file " + quoted(report));
    EXPECT_EQ(changed.status, 1);
    EXPECT_NE(changed.out.find("No export of this case has the report's SHA-256"),
              std::string::npos)
        << changed.out;
}

TEST_F(CaseCommand, ForeignFilesAreRefusedAndLeftAlone) {
    const std::string recording = dir / "authentic.mkv";
    const std::string before = readBytes(recording);
    for (const char* action : {"", " --audit", " --list"}) {
        const CommandResult run = runVerify("--case-file " + quoted(recording) + action + " " +
                                                (*action == 0 ? quoted(dir / "tampered.mkv") : ""),
                                            true);
        EXPECT_EQ(run.status, 4) << action;
        EXPECT_NE(run.out.find("not a case file"), std::string::npos) << run.out;
    }
    EXPECT_EQ(readBytes(recording), before);
    EXPECT_EQ(runVerify("--case-file " + quoted(dir / "none.telvarcase") + " --audit").status, 4);
    // Nor does a report land on the case.
    ASSERT_EQ(runVerify(caseArg() + " " + quoted(recording)).status, 0);
    const std::string kept = readBytes(casePath);
    EXPECT_EQ(runVerify(caseArg() + " --report " + quoted(casePath) + " " + quoted(recording)).status, 2);
    EXPECT_EQ(readBytes(casePath), kept);
    EXPECT_NE(access((dir / "none.telvarcase").c_str(), F_OK), 0);
}

TEST_F(CaseCommand, FilesFromListsOfLinesOrNulSeparatedPaths) {
    const std::string a = dir / "authentic.mkv";
    const std::string t = dir / "tampered.mkv";
    writeBytes(dir / "list.txt", a + "\n\n" + t + "\n");
    CommandResult run = runVerify("--files-from " + quoted(dir / "list.txt"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n') >= 2, true);
    EXPECT_EQ(run.out.rfind("Success  authentic.mkv", 0), 0u) << run.out;

    run = runCommand("printf '%s\\0%s\\0' " + quoted(t) + " " + quoted(a) + " | " +
                     TELVAR_VERIFY_EXE + " " + caseArg() + " --files-from - -0 --json 2>/dev/null");
    const json parsed = json::parse(run.out);
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0]["file"], "tampered.mkv");
    EXPECT_EQ(parsed[1]["file"], "authentic.mkv");

    EXPECT_EQ(runVerify("--files-from " + quoted(dir / "absent.txt")).status, 2);
    EXPECT_EQ(runVerify("--audit").status, 2);
    EXPECT_EQ(runVerify(caseArg() + " --audit " + quoted(a)).status, 2);
    EXPECT_EQ(runVerify(caseArg() + " --audit --list").status, 2);
    EXPECT_EQ(runVerify("-0 " + quoted(a)).status, 2);
}

namespace {

// The cells of one CSV line (RFC 4180: quotes doubled inside quoted cells).
std::vector<std::string> csvCells(const std::string& line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

}  // namespace

// Each line of --csv made with a case names the head as it stood once that
// line's verification was stored: a line kept elsewhere is a head that the
// audit finds in the log, and one it does not find once the log is cut back.
TEST_F(CaseCommand, EveryCsvLineCarriesAHeadTheAuditFinds) {
    const CommandResult run = runVerify(caseArg() + " --csv --jobs 1 " + demos);
    EXPECT_EQ(run.status, 1);
    std::vector<std::vector<std::string>> rows;
    for (size_t at = 0, end = 0; (end = run.out.find("\r\n", at)) != std::string::npos;
         at = end + 2) {
        rows.push_back(csvCells(run.out.substr(at, end - at)));
    }
    ASSERT_EQ(rows.size(), 4u) << run.out;
    const std::vector<std::string>& titles = rows[0];
    const auto column = [&titles](const std::string& title) {
        return static_cast<size_t>(std::find(titles.begin(), titles.end(), title) - titles.begin());
    };
    const size_t events = column("Custody Events");
    const size_t newest = column("Custody Newest SHA-256");
    ASSERT_LT(newest, titles.size());
    // Every line as long as the titles: a spreadsheet keeps the columns.
    int64_t last = 0;
    for (size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), titles.size()) << i;
        const int64_t count = std::stoll(rows[i][events]);
        EXPECT_GT(count, last);
        last = count;
        EXPECT_EQ(rows[i][newest].size(), 64u);
        EXPECT_EQ(rows[i][column("Custody Seal")], "not sealed");
        EXPECT_EQ(rows[i][column("Report Event")], "");
        EXPECT_EQ(rows[i][column("Examiner Key SHA-256")].size(), 64u);
        const CommandResult kept = runVerify(caseArg() + " --audit --expect-head " +
                                             rows[i][events] + ":" + rows[i][newest]);
        EXPECT_EQ(kept.status, 0) << kept.out;
    }
    // The key that sealed the run is the one every line names.
    const CommandResult audit = runVerify(caseArg() + " --audit");
    EXPECT_NE(audit.out.find("(key SHA-256 " + rows[1][column("Examiner Key SHA-256")] + ")"),
              std::string::npos)
        << audit.out;
    // The newest line's head is gone once the log is cut back before it.
    ASSERT_EQ(runSqlite(casePath, "DELETE FROM seals; DELETE FROM events WHERE seq >= " +
                                      rows[3][events])
                  .status,
              0);
    EXPECT_EQ(runVerify(caseArg() + " --audit --expect-head " + rows[3][events] + ":" +
                        rows[3][newest])
                  .status,
              1);
}

// --json gives each file the time its verification was stored, as --jsonl
// and the case do, not the time the run began.
TEST_F(CaseCommand, JsonCarriesEachFilesOwnTimeAsTheCaseStoredIt) {
    const CommandResult run = runVerify(caseArg() + " --json --jobs 1 " + demos);
    EXPECT_EQ(run.status, 1);
    const json printed = json::parse(run.out);
    ASSERT_EQ(printed.size(), 3u);
    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    const CaseFile file(casePath, options);
    for (const json& object : printed) {
        const std::optional<RecordingRow> row =
            file.recordingByPath(object["path"].get<std::string>());
        ASSERT_TRUE(row);
        EXPECT_EQ(row->latestAt, object["verifiedAt"].get<std::string>());
        const json stored = json::parse(file.latestVerification(row->id)->evidenceJson);
        EXPECT_EQ(stored["verifiedAt"], object["verifiedAt"]);
    }
}
