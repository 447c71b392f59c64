// Files that are not cases of this version are refused with a clear reason,
// and never written: their bytes are the same before and after.
#include <gtest/gtest.h>
#include <unistd.h>

#include "CaseDirectory.h"
#include "casefile/CaseError.h"
#include "casefile/CaseFile.h"

namespace {

CaseOpenOptions opening(bool create) {
    CaseOpenOptions options;
    options.create = create;
    options.creator = Actor{"A. Examiner", "host", "telvar-test", "1.0", "abc"};
    options.readOnlyMedia = [](const std::string&) { return false; };
    return options;
}

// A case with a few recordings, so it spans several pages.
void makeCase(const std::string& path) {
    CaseFile file(path, opening(true));
    for (int i = 0; i < 40; ++i) {
        VerificationFacts v;
        v.file.path = "/evidence/recording-" + std::to_string(i) + ".mkv";
        v.file.sha256 = std::string(64, 'a');
        v.verifiedAt = "2026-12-08T17:02:11Z";
        file.recordVerification(opening(true).creator, v,
                                [](const FixityCheck&) { return std::string(300, 'x'); });
    }
}

struct Refusal {
    const char* name;
    const char* sql;  // run on a good case with the sqlite3 shell; null: see `bytes`
    std::string bytes;  // the whole file, when not made from a case
    CaseErrorKind kind;
};

}  // namespace

TEST(CaseRefusal, ForeignNewerAltersAndCorruptFilesAreRefusedUnchanged) {
    const std::vector<Refusal> refusals = {
        {"not SQLite", nullptr, std::string("\x1a\x45\xdf\xa3 a recording, not a case"),
         CaseErrorKind::NotACase},
        {"another program's database", "PRAGMA application_id = 1", "", CaseErrorKind::NotACase},
        {"newer schema", "PRAGMA user_version = 99", "", CaseErrorKind::NewerSchema},
        {"trigger", "CREATE TRIGGER t AFTER INSERT ON notes BEGIN DELETE FROM events; END",
         "", CaseErrorKind::ForeignSchema},
        {"view", "CREATE VIEW v AS SELECT * FROM events", "", CaseErrorKind::ForeignSchema},
        {"table", "CREATE TABLE extra (x)", "", CaseErrorKind::ForeignSchema},
        {"changed column", "ALTER TABLE notes ADD COLUMN y TEXT", "", CaseErrorKind::ForeignSchema},
        {"dropped index", "DROP INDEX events_by_recording", "", CaseErrorKind::ForeignSchema},
    };
    for (const Refusal& refusal : refusals) {
        CaseDirectory dir;
        const std::string path = dir / "c.telvarcase";
        if (refusal.sql != nullptr) {
            makeCase(path);
            ASSERT_EQ(runSqlite(path, refusal.sql).status, 0) << refusal.name;
        } else {
            writeBytes(path, refusal.bytes);
        }
        const std::string before = readBytes(path);
        for (const bool create : {false, true}) {
            try {
                CaseFile file(path, opening(create));
                ADD_FAILURE() << refusal.name << " was opened";
            } catch (const CaseError& error) {
                EXPECT_EQ(error.kind, refusal.kind) << refusal.name << ": " << error.what();
            }
            EXPECT_EQ(readBytes(path), before) << refusal.name;
        }
    }
}

// A damaged page of a table the list needs refuses the case at once; one of
// the evidence, which opening does not read, is named when it is loaded.
TEST(CaseRefusal, DamagedPagesAreRefusedUnchangedOrNamedWhenRead) {
    CaseDirectory dir;
    const std::string path = dir / "c.telvarcase";
    makeCase(path);
    const auto damage = [&](const char* table) {
        const CommandResult root =
            runSqlite(path, std::string("SELECT rootpage FROM sqlite_schema WHERE name = '") +
                                table + "'");
        std::string bytes = readBytes(path);
        const size_t page = static_cast<size_t>(std::stoul(root.out)) - 1;
        for (size_t i = page * 4096; i < (page + 1) * 4096 && i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(0xA5);
        }
        writeBytes(path, bytes);
        return bytes;
    };
    const std::string original = readBytes(path);
    const std::string damaged = damage("events");
    try {
        CaseFile file(path, opening(true));
        FAIL() << "a damaged case was opened";
    } catch (const CaseError& error) {
        EXPECT_EQ(error.kind, CaseErrorKind::Corrupt) << error.what();
    }
    EXPECT_EQ(readBytes(path), damaged);

    writeBytes(path, original);
    damage("evidence");
    CaseFile file(path, opening(false));
    const int64_t id = file.recordings().front().id;
    try {
        file.latestVerification(id);
        FAIL() << "damaged evidence was read";
    } catch (const CaseError& error) {
        EXPECT_EQ(error.kind, CaseErrorKind::Corrupt) << error.what();
    }
    EXPECT_THROW(file.audit(), CaseError);
}

TEST(CaseRefusal, EmptyFileIsACaseOnlyWhenOneIsToBeCreated) {
    CaseDirectory dir;
    const std::string path = dir / "c.telvarcase";
    writeBytes(path, "");
    EXPECT_THROW(CaseFile(path, opening(false)), CaseError);
    EXPECT_EQ(readBytes(path), "");
    EXPECT_TRUE(CaseFile(path, opening(true)).audit().intact());
    EXPECT_THROW(CaseFile(dir.path(), opening(true)), CaseError);  // a folder
}
