// Seals, heads kept outside and the vouched columns: what someone holding
// the case file and this program, but not the examiner's key, can change.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "CaseDirectory.h"
#include "Rechain.h"
#include "casefile/CaseError.h"
#include "casefile/CaseFile.h"
#include "casefile/KeptHead.h"
#include "casefile/Schema.h"
#include "signature/Sha256.h"

namespace {

Actor sealExaminer(const std::string& name = "A. Examiner") {
    return Actor{name, "host-1", "telvar-test", "1.0", "abc123"};
}

CaseOpenOptions writing(std::shared_ptr<const ExaminerKey> key, bool create = true) {
    CaseOpenOptions options;
    options.create = create;
    options.reference = "2026-0042";
    options.creator = sealExaminer();
    options.examinerKey = std::move(key);
    options.readOnlyMedia = [](const std::string&) { return false; };
    return options;
}

// The third-party check of scripts/, with Python and openssl alone.
CommandResult runCheckScript(const std::string& path) {
    return runCommand(std::string(TELVAR_PYTHON) + " " + TELVAR_CHECK_CASE + " " + quoted(path) +
                      " 2>&1");
}

AuditResult auditOf(const std::string& path) {
    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    options.readOnlyMedia = [](const std::string&) { return false; };
    return CaseFile(path, options).audit();
}

void verify(CaseFile& file, const std::string& path, const std::string& sha256, int64_t code) {
    VerificationFacts v;
    v.file.path = path;
    v.file.size = 100;
    v.file.modified = "2026-12-01T08:00:00Z";
    v.file.sha256 = sha256;
    v.code = code;
    v.verifiedAt = "2026-12-08T17:02:11Z";
    file.recordVerification(sealExaminer(), v, [&](const FixityCheck& fixity) {
        return std::string("{\"code\":") + std::to_string(code) + ",\"fixity\":\"" +
               fixityCode(fixity.state) + "\"}";
    });
}

// Every table holds rows: recordings verified twice, one taken off the list
// and listed again, an export, notes and seals.
void makeCase(const std::string& path, const std::shared_ptr<const ExaminerKey>& key) {
    CaseFile file(path, writing(key));
    verify(file, "/e/a.mkv", std::string(64, 'a'), 0);
    verify(file, "/e/b.mkv", std::string(64, 'b'), 1);
    file.seal(sealExaminer());
    verify(file, "/e/a.mkv", std::string(64, 'a'), 0);
    file.removeRecording(sealExaminer(), 2);
    verify(file, "/e/b.mkv", std::string(64, 'b'), 1);
    file.addNote(sealExaminer("B. Second"), 1, "seen");
    file.addNote(sealExaminer(), std::nullopt, "about the case");
    file.recordExport(sealExaminer(), "html", "/out/r.html", std::string(64, 'd'));
    file.seal(sealExaminer());
}

class Seals : public ::testing::Test {
  protected:
    void SetUp() override {
        key = std::make_shared<const ExaminerKey>(ExaminerKey::loadOrCreate(dir / "keys/k.pem"));
        makeCase(casePath, key);
    }
    std::string copy(const std::string& name) const {
        const std::string path = dir / (name + ".telvarcase");
        writeBytes(path, readBytes(casePath));
        return path;
    }

    CaseDirectory dir;
    const std::string casePath = dir / "c.telvarcase";
    std::shared_ptr<const ExaminerKey> key;
};

}  // namespace

TEST_F(Seals, AnIntactCaseIsSealedByItsExaminer) {
    const AuditResult audit = auditOf(casePath);
    ASSERT_TRUE(audit.intact()) << audit.problem;
    EXPECT_TRUE(audit.sealed());
    ASSERT_EQ(audit.seals.size(), 2u);
    EXPECT_EQ(audit.seals.back().fingerprint, key->fingerprint());
    EXPECT_TRUE(audit.unvouched.empty());
    const CommandResult script = runCheckScript(casePath);
    EXPECT_EQ(script.status, 0) << script.out;
    EXPECT_EQ(script.out.rfind(std::to_string(audit.events) + " events; SHA-256 of the newest " +
                                   audit.head + "\n",
                               0),
              0u)
        << script.out;
    // B. Second's key entered the case with their first event.
    EXPECT_NE(runSqlite(casePath, "SELECT examiner FROM examiner_keys").out.find("B. Second"),
              std::string::npos);

    struct stat st {};
    ASSERT_EQ(::stat((dir / "keys/k.pem").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((dir / "keys").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A key others may read is no longer the examiner's alone.
    ::chmod((dir / "keys/k.pem").c_str(), 0640);
    EXPECT_THROW(ExaminerKey::loadOrCreate(dir / "keys/k.pem"), CaseError);
}

// Every column of every table, edited on a copy: the audit fails. A
// column that cannot be edited at all (a CHECK) is named.
TEST_F(Seals, AnEditOfAnyColumnFailsTheAudit) {
    std::vector<std::pair<std::string, std::string>> columns;  // table, type of column
    std::vector<std::string> names;
    {
        const Database db(casePath, Database::Mode::ReadOnly, 1000);
        Statement rows = db.prepare(
            "SELECT m.name, p.name, p.type FROM sqlite_schema m, pragma_table_info(m.name) p "
            "WHERE m.type = 'table' ORDER BY m.name, p.cid");
        while (rows.step()) {
            names.push_back(rows.bytes(0) + "." + rows.bytes(1));
            const std::string column = "\"" + rows.bytes(1) + "\"";
            const std::string type = rows.bytes(2);
            const std::string value = type == "INTEGER" ? "coalesce(" + column + ", 0) + 1000003"
                                      : type == "BLOB"  ? "CAST(coalesce(" + column + ", x'') || 'x' AS BLOB)"
                                                        : "coalesce(" + column + ", '') || 'x'";
            columns.push_back({rows.bytes(0), "UPDATE \"" + rows.bytes(0) + "\" SET " + column +
                                                  " = " + value});
        }
    }
    ASSERT_GE(columns.size(), 50u);
    std::vector<std::string> guarded;
    std::string copies;
    for (size_t i = 0; i < columns.size(); ++i) {
        const std::string edited = copy("edit" + std::to_string(i));
        if (runSqlite(edited, columns[i].second).status != 0) {
            guarded.push_back(names[i]);
            continue;
        }
        const AuditResult audit = auditOf(edited);
        EXPECT_FALSE(audit.intact()) << names[i] << " edited, yet the audit passed";
        copies += " " + quoted(edited);
    }
    EXPECT_EQ(guarded, std::vector<std::string>{"case_info.id"});
    // The third-party check finds each of them too.
    const CommandResult script =
        runCommand(std::string(TELVAR_PYTHON) + " " + TELVAR_CHECK_CASE + copies);
    EXPECT_EQ(script.status, 1);
    EXPECT_EQ(static_cast<size_t>(std::count(script.out.begin(), script.out.end(), '\n')),
              columns.size() - guarded.size())
        << script.out;
    EXPECT_EQ(script.out.find(" events; SHA-256 of the newest"), std::string::npos) << script.out;
}

// A signature spelt otherwise reads as the same bytes to a lenient reader,
// yet it is not the value the examiner stored: capitals, or spaces between
// the digits, fail the audit and the third-party check alike.
TEST_F(Seals, ASignatureSpeltOtherwiseIsAnEdit) {
    for (const std::string spelling :
         {"upper(signature)", "substr(signature, 1, 2) || '  ' || substr(signature, 3)"}) {
        const std::string edited = copy("spelt");
        ASSERT_EQ(runSqlite(edited, "UPDATE seals SET signature = " + spelling).status, 0);
        EXPECT_FALSE(auditOf(edited).intact()) << spelling;
        EXPECT_EQ(runCheckScript(edited).status, 1) << spelling;
    }
}

// An event's own hash recomputed after an edit: only the link of the next
// event to it shows the edit.
TEST_F(Seals, AnEventRehashedInPlaceBreaksTheNextLink) {
    const std::string edited = copy("rehashed");
    {
        const Database db(edited, Database::Mode::ReadWrite, 1000);
        const std::optional<CustodyEvent> event = eventWhere(db, "seq = 3", [](Statement&) {});
        ASSERT_TRUE(event);
        CustodyEvent changed = *event;
        changed.actor.host = "elsewhere";
        Statement update = db.prepare("UPDATE events SET host = ?, hash = ? WHERE seq = 3");
        update.bind(1, changed.actor.host).bind(2, eventHash(changed)).run();
    }
    const AuditResult audit = auditOf(edited);
    EXPECT_EQ(audit.brokenEvent, 4);
    EXPECT_NE(audit.problem.find("does not follow event 3"), std::string::npos) << audit.problem;
}

// The forger rewrites a verdict and recomputes the whole chain after it:
// every hash fits, but the seals signed over the old hashes do not.
TEST_F(Seals, ARewriteWithoutTheKeyBreaksTheSeals) {
    const std::string rewritten = copy("rewritten");
    ASSERT_EQ(runSqlite(rewritten,
                        "UPDATE events SET detail = replace(detail, 'code 1', 'code 0') WHERE seq = 6; "
                        "UPDATE verifications SET code = 0 WHERE event = 6; "
                        "UPDATE evidence SET json = replace(json, '\"code\":1', '\"code\":0')")
                  .status,
              0);
    {
        // The evidence's SHA-256 into its event, as a forger would.
        const Database db(rewritten, Database::Mode::ReadWrite, 1000);
        Statement rows = db.prepare(
            "SELECT v.event, x.json FROM verifications v JOIN evidence x ON x.verification = v.id");
        std::vector<std::pair<int64_t, std::string>> records;
        while (rows.step()) {
            const std::string json = rows.bytes(1);
            records.push_back({rows.integer(0), sha256Hex(json.data(), json.size())});
        }
        for (const auto& [seq, record] : records) {
            db.prepare("UPDATE events SET record = ? WHERE seq = ?").bind(1, record).bind(2, seq).run();
        }
        db.exec("UPDATE recordings SET latest_code = 0");
    }
    rechain(rewritten, 1);
    AuditResult audit = auditOf(rewritten);
    ASSERT_FALSE(audit.intact());
    EXPECT_NE(audit.problem.find("is a seal by A. Examiner"), std::string::npos) << audit.problem;
    EXPECT_NE(audit.problem.find("signature does not verify"), std::string::npos) << audit.problem;
    EXPECT_NE(runCheckScript(rewritten).out.find("is a seal that does not verify"), std::string::npos);

    // Seals dropped as well: the chain holds, and nothing seals it.
    ASSERT_EQ(runSqlite(rewritten, "DELETE FROM seals; DELETE FROM events WHERE kind = 'sealed'")
                  .status,
              0);
    rechain(rewritten, 1);
    {
        const Database db(rewritten, Database::Mode::ReadWrite, 1000);
        std::vector<int64_t> seqs;
        Statement rows = db.prepare("SELECT seq FROM events ORDER BY seq");
        while (rows.step()) {
            seqs.push_back(rows.integer(0));
        }
        for (size_t i = 0; i < seqs.size(); ++i) {
            db.prepare("UPDATE events SET seq = ? WHERE seq = ?")
                .bind(1, static_cast<int64_t>(i + 1))
                .bind(2, seqs[i])
                .run();
        }
    }
    audit = auditOf(rewritten);
    EXPECT_FALSE(audit.sealed());
    EXPECT_EQ(runCheckScript(rewritten).status, 1);
}

TEST_F(Seals, AnEventAfterTheLastSealIsNamedUnsealed) {
    const int64_t sealedEvents = auditOf(casePath).events;
    {
        CaseFile file(casePath, writing(nullptr, false));  // no key: cannot seal
        file.addNote(sealExaminer(), std::nullopt, "added without the key");
    }
    const AuditResult audit = auditOf(casePath);
    ASSERT_TRUE(audit.intact()) << audit.problem;
    EXPECT_FALSE(audit.sealed());
    EXPECT_EQ(audit.sealedThrough(), sealedEvents);
    const std::vector<std::string> lines = sealLines(audit);
    EXPECT_EQ(lines.back(), "Unsealed: events " + std::to_string(sealedEvents + 1) + "-" +
                                std::to_string(sealedEvents + 1) +
                                " follow the last seal; no examiner's key vouches for them (a "
                                "run that was killed, or events added by someone else)");
}

TEST_F(Seals, AHeadKeptElsewhereShowsACutTailOrARewrite) {
    CaseOpenOptions reading;
    reading.access = CaseOpenOptions::Access::ReadOnly;
    const ChainHead head = CaseFile(casePath, reading).head();
    const std::string kept = std::to_string(head.events) + ":" + head.hash.substr(0, 16);
    EXPECT_TRUE(checkKeptHead(CaseFile(casePath, reading), kept).found);
    EXPECT_FALSE(checkKeptHead(CaseFile(casePath, reading),
                               std::to_string(head.events) + ":" + head.hash.substr(0, 15))
                     .found);

    const std::string cut = copy("cut");
    ASSERT_EQ(runSqlite(cut, "DELETE FROM seals WHERE event = (SELECT max(seq) FROM events); "
                             "DELETE FROM events WHERE seq = (SELECT max(seq) FROM events)")
                  .status,
              0);
    const HeadCheck afterCut = checkKeptHead(CaseFile(cut, reading), kept);
    EXPECT_FALSE(afterCut.found);
    EXPECT_NE(afterCut.text.find("cut short"), std::string::npos) << afterCut.text;

    const std::string rewritten = copy("rewritten");
    ASSERT_EQ(runSqlite(rewritten, "UPDATE events SET host = 'x' WHERE seq = 2").status, 0);
    rechain(rewritten, 1);
    EXPECT_FALSE(checkKeptHead(CaseFile(rewritten, reading), kept).found);
}

// A case of schema 1, before seals: it audits, says it is unsealed and what
// it leaves unvouched; once written to, the new version seals all of it.
TEST_F(Seals, AnOlderCaseAuditsUnsealedAndIsSealedOnceWritten) {
    const std::string old = dir / "old.telvarcase";
    {
        CaseFile file(old, writing(nullptr));
        verify(file, "/e/a.mkv", std::string(64, 'a'), 0);
    }
    ASSERT_EQ(runSqlite(old, "DROP TABLE seals; DROP TABLE examiner_keys; DROP INDEX "
                             "recordings_by_relative_path; ALTER TABLE recordings DROP COLUMN "
                             "relative_path; "
                             "UPDATE events SET detail = '' WHERE kind = 'recording-added'; "
                             "UPDATE events SET detail = substr(detail, 1, instr(detail, '; verified') - 1) "
                             "WHERE kind = 'verified'; PRAGMA user_version = 1")
                  .status,
              0);
    rechain(old, 1);
    AuditResult audit = auditOf(old);
    ASSERT_TRUE(audit.intact()) << audit.problem;
    EXPECT_FALSE(audit.sealed());
    EXPECT_EQ(audit.unvouched.size(), 2u);
    EXPECT_EQ(sealLines(audit).front(),
              "Not sealed: no examiner's key vouches for any of the 3 events (a case of an older "
              "version, or a log rewritten without its seals)");
    {
        CaseFile file(old, writing(key, false));
        verify(file, "/e/b.mkv", std::string(64, 'b'), 0);
        file.seal(sealExaminer());
    }
    audit = auditOf(old);
    ASSERT_TRUE(audit.intact()) << audit.problem;
    EXPECT_TRUE(audit.sealed());
    EXPECT_EQ(audit.unvouched.size(), 2u);  // still named: the seal vouches for the chain only
}
