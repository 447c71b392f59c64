// The case library on its own: what it stores, reads back and audits.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "CaseDirectory.h"
#include "Rechain.h"
#include "casefile/CaseError.h"
#include "casefile/CaseFile.h"
#include "casefile/StillExports.h"
#include "signature/Sha256.h"

namespace {

const std::string kHashA(64, 'a');
const std::string kHashB(64, 'b');

Actor examiner(const std::string& name = "A. Examiner") {
    return Actor{name, "host-1", "telvar-test", "1.0", "abc123"};
}

CaseOpenOptions creating(const std::string& reference = "2026-0042") {
    CaseOpenOptions options;
    options.create = true;
    options.reference = reference;
    options.creator = examiner();
    options.readOnlyMedia = [](const std::string&) { return false; };
    return options;
}

FileFacts facts(const std::string& path, const std::optional<std::string>& sha256,
                bool missing = false) {
    FileFacts file;
    file.path = path;
    file.size = 100;
    file.modified = "2026-12-01T08:00:00Z";
    file.sha256 = sha256;
    file.missing = missing;
    return file;
}

RecordedVerification verify(CaseFile& file, const FileFacts& facts, int64_t code = 0) {
    VerificationFacts v;
    v.file = facts;
    v.code = code;
    v.verifiedAt = "2026-12-08T17:02:11Z";
    return file.recordVerification(examiner(), v, [&](const FixityCheck& fixity) {
        return std::string("{\"fixity\":\"") + fixityCode(fixity.state) + "\"}";
    });
}

}  // namespace

TEST(CaseFile, KeepsRecordingsVerificationsAndEventsAcrossOpening) {
    CaseDirectory dir;
    // A path that is no UTF-8 and carries the characters a URI reserves.
    const std::string path = dir / "case ?#%.telvarcase";
    const std::string recording = "/evidence/cam\xff\x01.mkv";
    {
        CaseFile file(path, creating());
        EXPECT_EQ(verify(file, facts(recording, kHashA)).fixity.state, Fixity::Intake);
        const RecordedVerification again = verify(file, facts(recording, kHashA), 1);
        EXPECT_EQ(again.fixity.state, Fixity::Unchanged);
        EXPECT_FALSE(again.firstOfRecording);
        file.recordExport(examiner("B. Other"), "html", "/out/report.html", kHashB);
        file.addNote(examiner(), again.recording, "seen twice");
    }
    CaseOpenOptions reopen;
    reopen.readOnlyMedia = [](const std::string&) { return false; };
    const CaseFile file(path, reopen);
    EXPECT_EQ(file.info().reference, "2026-0042");
    EXPECT_EQ(file.info().examiners, (std::vector<std::string>{"A. Examiner", "B. Other"}));
    const std::vector<RecordingRow> rows = file.recordings();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].path, recording);
    EXPECT_EQ(rows[0].intakeSha256, kHashA);
    EXPECT_EQ(rows[0].latestCode, 1);
    EXPECT_EQ(rows[0].latestFixity, "unchanged");
    EXPECT_EQ(file.latestVerification(rows[0].id)->evidenceJson, "{\"fixity\":\"unchanged\"}");
    EXPECT_EQ(file.verifications(rows[0].id).size(), 2u);

    std::vector<std::string> kinds;
    for (const CustodyEvent& event : file.events(rows[0].id)) {
        kinds.push_back(eventKindCode(event.kind));
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"recording-added", "verified", "verified-again",
                                               "note-added"}));
    const AuditResult audit = file.audit();
    EXPECT_TRUE(audit.intact()) << audit.problem;
    EXPECT_EQ(audit.events, 6);
    EXPECT_EQ(audit.head, file.head().hash);
}

// A key store edit of the window's is one event, under the chain like any
// other, that the program's audit and the third-party check both accept.
TEST(CaseFile, AKeyStoreEditIsOneCustodyEventThatAudits) {
    CaseDirectory dir;
    const std::string path = dir / "c.telvarcase";
    {
        CaseOpenOptions options = creating();
        options.examinerKey =
            std::make_shared<const ExaminerKey>(ExaminerKey::loadOrCreate(dir / "keys/k.pem"));
        CaseFile file(path, options);
        const int64_t before = file.head().events;
        file.recordKeyStoreChange(examiner(), "/home/a/keys.toml", kHashA,
                                  "added sha256:00 (North \xff site); store was none");
        ASSERT_EQ(file.head().events, before + 1);
        const std::optional<CustodyEvent> event = file.event(before + 1);
        ASSERT_TRUE(event);
        EXPECT_EQ(eventKindCode(event->kind), std::string("key-store-changed"));
        EXPECT_EQ(event->path, "/home/a/keys.toml");
        EXPECT_EQ(event->sha256, kHashA);
        EXPECT_EQ(event->detail, "added sha256:00 (North \uFFFD site); store was none");
        file.seal(examiner());
        EXPECT_TRUE(file.audit().intact()) << file.audit().problem;
    }
    const CommandResult audit = runVerify("--case-file " + quoted(path) + " --audit");
    EXPECT_EQ(audit.status, 0) << audit.out;
    const CommandResult script =
        runCommand(std::string(TELVAR_PYTHON) + " " + TELVAR_CHECK_CASE + " " + quoted(path) +
                   " 2>&1");
    EXPECT_EQ(script.status, 0) << script.out;
}

// A still from the player carries its PNG's hash and its record's, both
// under the chain's hash, so neither can be swapped unseen.
TEST(CaseFile, StillExportCarriesBothHashes) {
    CaseDirectory dir;
    CaseFile file(dir / "c.telvarcase", creating());
    file.recordExport(examiner(), "still", "/out/frame-351.png", kHashA, kHashB);
    std::optional<CustodyEvent> still;
    file.forEachEvent([&](const CustodyEvent& event) { still = event; });
    ASSERT_TRUE(still);
    EXPECT_EQ(still->detail, "still");
    EXPECT_EQ(still->sha256, kHashA);
    EXPECT_EQ(still->record, kHashB);
    EXPECT_TRUE(file.audit().intact());
    CustodyEvent swapped = *still;
    swapped.record = kHashA;
    EXPECT_NE(eventHash(swapped), still->hash);
}

// A report shows a still's record only when the file beside the PNG is
// the one its event's hash names; a pipe a forged case points at is not
// waited on.
TEST(CaseFile, StillsForAReportCarryOnlyTheRecordTheEventNames) {
    CaseDirectory dir;
    CaseFile file(dir / "c.telvarcase", creating());
    const std::string record = "{\"frame\":{\"frame\":351}}\n";
    std::ofstream(dir / "frame-351.json") << record;
    const std::string recordSha = sha256Hex(record.data(), record.size());
    file.recordExport(examiner(), "html", dir / "report.html", kHashB);
    file.recordExport(examiner(), "still", dir / "frame-351.png", kHashA, recordSha);
    file.recordExport(examiner(), "still", dir / "changed.png", kHashA, recordSha);
    std::ofstream(dir / "changed.json") << "{\"frame\":{\"frame\":1}}\n";
    ASSERT_EQ(::mkfifo((dir / "pipe.json").c_str(), 0600), 0);
    file.recordExport(examiner(), "still", dir / "pipe.png", kHashA, recordSha);

    size_t leftOut = 0;
    const std::vector<ExportedStill> stills = exportedStills(file, 3, leftOut);
    ASSERT_EQ(stills.size(), 3u);
    EXPECT_EQ(leftOut, 0u);
    EXPECT_EQ(stills[0].event, 3);
    EXPECT_EQ(stills[0].pngSha256, kHashA);
    EXPECT_EQ(stills[0].recordPath, dir / "frame-351.json");
    EXPECT_EQ(stills[0].record, record);
    EXPECT_EQ(stills[1].record, "");
    EXPECT_NE(stills[1].recordProblem.find("not the one exported"), std::string::npos);
    EXPECT_EQ(stills[2].record, "");
    EXPECT_EQ(stills[2].recordProblem, "the file beside the still is not a record this program writes");
    EXPECT_EQ(exportedStills(file, 1, leftOut).size(), 1u);
    EXPECT_EQ(leftOut, 2u);
}

TEST(CaseFile, FixityComparesWithTheIntakeHashAndSaysWhatChanged) {
    CaseDirectory dir;
    CaseFile file(dir / "c.telvarcase", creating());
    verify(file, facts("/e/a.mkv", kHashA));
    const std::string addedAt = file.recordings()[0].addedAt;

    const RecordedVerification changed = verify(file, facts("/e/a.mkv", kHashB));
    EXPECT_EQ(changed.fixity.state, Fixity::Changed);
    EXPECT_EQ(fixityFinding(changed.fixity)->text,
              "the file's bytes changed since it was added on " + addedAt + " (SHA-256 then " +
                  kHashA + ", now " + kHashB + ")");
    const RecordedVerification missing =
        verify(file, facts("/e/a.mkv", std::nullopt, true), 3);
    EXPECT_EQ(missing.fixity.state, Fixity::Missing);
    EXPECT_EQ(fixityFinding(missing.fixity)->code, FindingCode::FixityMissing);
    EXPECT_NE(fixityFinding(missing.fixity)->text.find("missing"), std::string::npos);
    EXPECT_EQ(verify(file, facts("/e/a.mkv", std::nullopt)).fixity.state, Fixity::Unreadable);
    // The intake stays that of the first verification, and a new file says nothing.
    EXPECT_EQ(file.recordings()[0].intakeSha256, kHashA);
    const RecordedVerification fresh = verify(file, facts("/e/b.mkv", std::nullopt, true));
    EXPECT_EQ(fresh.fixity.state, Fixity::NoIntake);
    EXPECT_FALSE(fixityFinding(fresh.fixity));
    EXPECT_TRUE(file.audit().intact());
}

TEST(CaseFile, RemovedRecordingsLeaveTheListButNotTheLog) {
    CaseDirectory dir;
    CaseFile file(dir / "c.telvarcase", creating());
    const int64_t id = verify(file, facts("/e/a.mkv", kHashA)).recording;
    file.removeRecording(examiner(), id);
    EXPECT_TRUE(file.recordings().empty());
    EXPECT_EQ(file.recordings(true).size(), 1u);
    EXPECT_EQ(file.events(id).back().kind, EventKind::RecordingRemoved);
    EXPECT_TRUE(file.audit().intact()) << file.audit().problem;
    // Taken off twice, it is taken off once: no second event.
    const ChainHead head = file.head();
    file.removeRecording(examiner(), id);
    EXPECT_EQ(file.head().events, head.events);
    // Verified again, it is listed again with its first intake.
    EXPECT_EQ(verify(file, facts("/e/a.mkv", kHashB)).fixity.state, Fixity::Changed);
    EXPECT_EQ(file.recordings().size(), 1u);
    EXPECT_TRUE(file.audit().intact()) << file.audit().problem;
}

// The hashed bytes are those docs/case-file.md rebuilds with SQLite's
// json_object, also for texts that need escaping.
TEST(CaseFile, EventHashIsTheSqliteShellRecipe) {
    CaseDirectory dir;
    const std::string path = dir / "c.telvarcase";
    {
        CaseOpenOptions options = creating("ref \"q\" \\ \n\t\x01 é \xe2\x80\xa8 /");
        options.creator = examiner("N\xc3\xa4me \"x\"\x1f\x7f");
        CaseFile file(path, options);
        verify(file, facts("/e/\xff.mkv", kHashA));
    }
    const Database db(path, Database::Mode::ReadOnly, 1000);
    Statement rows = db.prepare(
        "SELECT json_object('at',at,'build',build,'detail',detail,'examiner',examiner,'host',host,"
        "'kind',kind,'path',hex(path),'prev',prev,'program',program,'record',record,"
        "'recording',recording,'seq',seq,'sha256',sha256,'version',version), hash, prev "
        "FROM events ORDER BY seq");
    std::string previous(64, '0');
    int events = 0;
    while (rows.step()) {
        const std::string body = rows.bytes(0);
        EXPECT_EQ(sha256Hex(body.data(), body.size()), rows.bytes(1)) << body;
        EXPECT_EQ(rows.bytes(2), previous);
        previous = rows.bytes(1);
        ++events;
    }
    EXPECT_EQ(events, 3);

    // A stored text that is not UTF-8 (an edited file) hashes as U+FFFD.
    CustodyEvent edited;
    edited.detail = "a\xff";
    const std::string body = canonicalEventJson(edited);
    EXPECT_NE(body.find("\"detail\":\"a\xEF\xBF\xBD\""), std::string::npos) << body;
}

TEST(CaseFile, ReadOnlyMediaIsListedAndAuditedButNeverWritten) {
    CaseDirectory dir;
    const std::string path = dir / "c.telvarcase";
    { verify(*std::make_unique<CaseFile>(path, creating()), facts("/e/a.mkv", kHashA)); }
    const std::string before = readBytes(path);
    CaseOpenOptions options;
    options.readOnlyMedia = [](const std::string&) { return true; };
    CaseFile file(path, options);
    EXPECT_FALSE(file.writable());
    EXPECT_EQ(file.recordings().size(), 1u);
    EXPECT_TRUE(file.audit().intact());
    try {
        verify(file, facts("/e/b.mkv", kHashB));
        FAIL() << "a read-only case took a write";
    } catch (const CaseError& error) {
        EXPECT_EQ(error.kind, CaseErrorKind::ReadOnly);
    }
    EXPECT_EQ(readBytes(path), before);
    EXPECT_NE(access((path + "-wal").c_str(), F_OK), 0);
    // Nor is a new case made there.
    CaseOpenOptions create = creating();
    create.readOnlyMedia = options.readOnlyMedia;
    EXPECT_THROW(CaseFile(dir / "new.telvarcase", create), CaseError);
    EXPECT_NE(access((dir / "new.telvarcase").c_str(), F_OK), 0);
}

TEST(CaseFile, AnotherCaseReferenceIsRefused) {
    CaseDirectory dir;
    { CaseFile created(dir / "c.telvarcase", creating("2026-0042")); }
    try {
        CaseFile other(dir / "c.telvarcase", creating("2026-0043"));
        FAIL();
    } catch (const CaseError& error) {
        EXPECT_EQ(error.kind, CaseErrorKind::WrongCase);
    }
}

TEST(CaseFile, ABatchKeepsEachWriteWholeAndIsKeptOnlyWhenCommitted) {
    CaseDirectory dir;
    const std::string path = dir / "c.telvarcase";
    CaseFile file(path, creating());
    {
        Transaction batch = file.batch();
        verify(file, facts("/e/a.mkv", kHashA));
        // A write that undoes itself takes nothing else of the batch along.
        file.removeRecording(examiner(), 999);
        verify(file, facts("/e/b.mkv", kHashB));
        // Another connection sees none of it before the commit.
        CaseOpenOptions reading;
        reading.access = CaseOpenOptions::Access::ReadOnly;
        EXPECT_TRUE(CaseFile(path, reading).recordings().empty());
        batch.commit();
    }
    {
        Transaction dropped = file.batch();
        verify(file, facts("/e/c.mkv", kHashA));
    }
    const std::vector<RecordingRow> rows = file.recordings();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].path, "/e/a.mkv");
    EXPECT_EQ(rows[1].path, "/e/b.mkv");
    const AuditResult audit = file.audit();
    EXPECT_TRUE(audit.intact()) << audit.problem;
    EXPECT_EQ(audit.events, 5);
}

// A case written before recordings kept their relative place (version 1,
// before seals too, or 2): read as it is, and brought up to date by its
// first write, its log still whole.
TEST(CaseFile, AnOlderCaseIsReadAsItIsAndBroughtUpWhenWritten) {
    for (const char* const older :
         {"DROP TABLE seals; DROP TABLE examiner_keys; PRAGMA user_version = 1",
          "PRAGMA user_version = 2"}) {
    SCOPED_TRACE(older);
    CaseDirectory dir;
    const std::string path = dir / "c.telvarcase";
    { verify(*std::make_unique<CaseFile>(path, creating()), facts("/e/a.mkv", kHashA)); }
    ASSERT_EQ(runSqlite(path, "DROP INDEX recordings_by_relative_path; ALTER TABLE recordings DROP "
                              "COLUMN relative_path; UPDATE events SET detail = substr(detail, 1, "
                              "instr(detail, '; relative path') - 1) WHERE kind = "
                              "'recording-added'; " + std::string(older))
                  .status,
              0);
    rechain(path, 1);
    {
        CaseOpenOptions reading;
        reading.access = CaseOpenOptions::Access::ReadOnly;
        const CaseFile file(path, reading);
        ASSERT_EQ(file.recordings().size(), 1u);
        EXPECT_FALSE(file.recordings()[0].relativePath);
        EXPECT_TRUE(file.audit().intact());
    }
    CaseFile file(path, creating());
    verify(file, facts(dir / "b.mkv", kHashB));
    const std::vector<RecordingRow> rows = file.recordings();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].relativePath.value_or(""), "b.mkv");
    EXPECT_TRUE(file.audit().intact());
    }
}
