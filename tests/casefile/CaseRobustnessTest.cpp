// Cases as they are handled in practice: moved with their recordings, read
// by users who may not write them, copied as one file, and forged to break
// the reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "CaseDirectory.h"
#include "casefile/CaseFile.h"
#include "report/Escape.h"
#include "signature/Hex.h"

namespace {

using nlohmann::json;

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

class CaseRobustness : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(makeDemoRecordings(dir.path()).status, 0);
    }
    // telvar-verify run from the folder `from`, as the user `uid` when given.
    CommandResult verifyIn(const std::string& from, const std::string& arguments,
                           int uid = -1) const {
        // Each user has a home of their own, where their examiner's key is.
        const std::string home = dir / ("home-" + std::to_string(uid));
        const std::string user =
            uid < 0 ? std::string()
                    : "mkdir -p -m 777 " + quoted(home) + " && HOME=" + quoted(home) +
                          " TELVAR_EXAMINER_KEY= XDG_CONFIG_HOME= setpriv --reuid=" + std::to_string(uid) + " --regid=" +
                          std::to_string(uid) + " --clear-groups ";
        return runCommand("cd " + quoted(from) + " && " + user + TELVAR_VERIFY_EXE + " " +
                          arguments + " 2>&1");
    }

    CaseDirectory dir;
};

}  // namespace

// A case moved with its recordings finds them again at their place relative
// to it, and the log says so; a path spelt another way is the same recording;
// the case file alone holds everything once a run ends.
TEST_F(CaseRobustness, AMovedCaseFindsItsRecordingsAndIsOneFileAtRest) {
    const std::string before = dir / "before";
    ASSERT_EQ(runCommand("mkdir -p " + quoted(before + "/sub") + " && cp " +
                         quoted(dir / "authentic.mkv") + " " + quoted(before + "/sub/rel.mkv"))
                  .status,
              0);
    CommandResult run = verifyIn(before, "--case-file c.telvarcase sub/rel.mkv");
    ASSERT_EQ(run.status, 0) << run.out;
    run = verifyIn(before, "--case-file c.telvarcase ./sub/../sub/rel.mkv");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(runSqlite(before + "/c.telvarcase", "SELECT count(*) FROM recordings").out, "1\n");
    EXPECT_FALSE(exists(before + "/c.telvarcase-wal"));
    EXPECT_FALSE(exists(before + "/c.telvarcase-shm"));

    const std::string after = dir / "after";
    ASSERT_EQ(std::rename(before.c_str(), after.c_str()), 0);
    run = verifyIn(dir.path(), "--case-file after/c.telvarcase --reverify");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out.find("missing"), std::string::npos) << run.out;
    const json listed = json::parse(verifyIn(after, "--case-file c.telvarcase --list --json").out);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["path"], after + "/sub/rel.mkv");
    EXPECT_EQ(listed[0]["fixity"], "unchanged");
    EXPECT_EQ(runSqlite(after + "/c.telvarcase",
                        "SELECT kind, hex(path) = hex(CAST(" +
                            std::string("'") + after + "/sub/rel.mkv' AS BLOB)) FROM events "
                            "WHERE kind = 'recording-found'")
                  .out,
              "recording-found|1\n");

    // Only the case file is copied, and it is whole.
    ASSERT_EQ(runCommand("cp " + quoted(after + "/c.telvarcase") + " " + quoted(dir / "copy.telvarcase")).status, 0);
    const std::string events = "SELECT count(*) FROM events";
    const std::string counted = runSqlite(dir / "copy.telvarcase", events).out;
    run = verifyIn(dir.path(), "--case-file copy.telvarcase --audit");
    EXPECT_EQ(run.status, 0) << run.out;  // sealed after the found recording too
    EXPECT_EQ(verifyIn(dir.path(), "--case-file copy.telvarcase --list").status, 0);
    // Reading seals nothing: it writes nothing.
    EXPECT_EQ(runSqlite(dir / "copy.telvarcase", events).out, counted);
    run = runCommand(std::string(TELVAR_PYTHON) + " " + TELVAR_CHECK_CASE + " " +
                     quoted(dir / "copy.telvarcase") + " 2>&1");
    EXPECT_EQ(run.status, 0) << run.out;

    // A copy left beside its original is a recording of its own.
    ASSERT_EQ(runCommand("cp -r " + quoted(after) + " " + quoted(dir / "again")).status, 0);
    run = verifyIn(dir / "again", "--case-file c.telvarcase sub/rel.mkv");
    EXPECT_EQ(runSqlite(dir / "again/c.telvarcase",
                        "SELECT count(*) FROM events WHERE kind = 'recording-found'")
                  .out,
              "1\n");
    EXPECT_EQ(runSqlite(dir / "again/c.telvarcase", "SELECT count(*) FROM recordings").out, "2\n");
}

// Reading needs no write access and leaves nothing beside the case; a user
// who may not write it is told why, and so is an owner locked out by files
// another user left.
TEST_F(CaseRobustness, ReadersNeedNoWriteAccessAndLockOutsNameTheirCause) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs to act as two other users";
    }
    const int owner = 4242;
    const int reader = 4343;
    const std::string shared = dir / "shared";
    ASSERT_EQ(runCommand("mkdir " + quoted(shared) + " && cp " + quoted(dir / "authentic.mkv") +
                         " " + quoted(shared) + " && chmod 755 " + quoted(dir.path()) +
                         " && chmod 1777 " + quoted(shared) + " && chmod 644 " +
                         quoted(shared + "/authentic.mkv"))
                  .status,
              0);
    const std::string caseArg = "--case-file c.telvarcase";
    CommandResult run = verifyIn(shared, caseArg + " authentic.mkv", owner);
    ASSERT_EQ(run.status, 0) << run.out;
    for (const char* action : {" --list", " --list --json", " --audit"}) {
        run = verifyIn(shared, caseArg + action, reader);
        EXPECT_EQ(run.status, 0) << action << ": " << run.out;
        EXPECT_FALSE(exists(shared + "/c.telvarcase-wal")) << action;
        EXPECT_FALSE(exists(shared + "/c.telvarcase-shm")) << action;
    }
    run = verifyIn(shared, caseArg + " authentic.mkv", reader);
    EXPECT_EQ(run.status, 4);
    EXPECT_NE(run.out.find("you may not write the case file"), std::string::npos) << run.out;

    // What a reader of an older program would leave, and the owner then meets.
    ASSERT_EQ(runCommand("cd " + quoted(shared) + " && setpriv --reuid=4343 --regid=4343 "
                         "--clear-groups sh -c 'umask 022; : > c.telvarcase-shm; : > c.telvarcase-wal'")
                  .status,
              0);
    run = verifyIn(shared, caseArg + " authentic.mkv", owner);
    EXPECT_EQ(run.status, 4);
    EXPECT_NE(run.out.find("c.telvarcase-wal beside it is another user's"), std::string::npos)
        << run.out;
    ASSERT_EQ(runCommand("rm " + quoted(shared) + "/c.telvarcase-?al " + quoted(shared) + "/c.telvarcase-shm").status, 0);

    // A folder the reader may not write: still listed and audited.
    ASSERT_EQ(runCommand("chown 4242 " + quoted(shared) + " && chmod 755 " + quoted(shared)).status, 0);
    run = verifyIn(shared, caseArg + " --audit", reader);
    EXPECT_EQ(run.status, 0) << run.out;
}

// Forged evidence that would exhaust the stack or SQLite's limit leaves the
// list valid JSON and names the row.
TEST_F(CaseRobustness, ForgedEvidenceLeavesTheListValidAndNamesTheRow) {
    const std::string caseArg = "--case-file c.telvarcase";
    ASSERT_EQ(std::rename((dir / "tampered.mkv").c_str(), (dir / "t\tb.mkv").c_str()), 0);
    ASSERT_EQ(verifyIn(dir.path(), caseArg + " authentic.mkv 't\tb.mkv'").status, 1);
    const std::string casePath = dir / "c.telvarcase";
    ASSERT_EQ(runSqlite(casePath, "UPDATE evidence SET json = printf('%.*c%.*c', 50000, '[', 50000, ']') "
                                  "WHERE verification = 1")
                  .status,
              0);
    CommandResult run = verifyIn(dir.path(), caseArg + " --list --json");
    ASSERT_EQ(run.status, 0) << run.out.substr(0, 200);
    json listed = json::parse(run.out);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_TRUE(listed[0]["evidence"].is_null());
    EXPECT_NE(listed[0]["evidenceError"].get<std::string>().find("recording 1"), std::string::npos);
    EXPECT_TRUE(listed[1]["evidence"].is_object());
    // A path shown otherwise than its bytes keeps them beside it.
    EXPECT_EQ(listed[1]["pathBytes"], hexBytes(dir / "t\tb.mkv"));

    ASSERT_EQ(runSqlite(casePath, "UPDATE evidence SET json = printf('%.*c', 270000000, 'x') "
                                  "WHERE verification = 2")
                  .status,
              0);
    run = runCommand("cd " + quoted(dir.path()) + " && " + TELVAR_VERIFY_EXE + " " + caseArg +
                     " --list --json 2>/dev/null");
    listed = json::parse(run.out);
    EXPECT_NE(listed[1]["evidenceError"].get<std::string>().find("recording 2 cannot be read"),
              std::string::npos)
        << listed[1];
}

TEST(FilesFrom, AFolderOrAnEndlessListEndsWithAnError) {
    CaseDirectory dir;
    CommandResult run = runVerify("--files-from " + quoted(dir.path()), true);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("is a folder"), std::string::npos) << run.out;
    run = runVerify("--files-from /dev/zero -0", true);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("more than 10000000 entries"), std::string::npos) << run.out;
}
