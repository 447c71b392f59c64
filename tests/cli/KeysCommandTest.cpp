// The key store from the command line: a recording of another recorder is
// "not trusted" until its key is added, edits keep the store's comments, a
// fixed validation time gives the same JSON, and a bad store verifies nothing.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "support/Command.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"
#include "JsonOutput.h"

namespace {

CommandResult verify(const std::string& arguments) {
    return runCommand(std::string(TELVAR_VERIFY_EXE) + " " + arguments + " 2>&1");
}

std::string textOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(KeysCommand, AKeyAddedTurnsNotTrustedIntoProven) {
    recorder::RecorderKeys other;
    other.rsaPrivate.reset(EVP_RSA_gen(2048));
    other.hmacKey = recorder::RecorderKeys::defaults().hmacKey;
    const TempFile recording;
    recorder::RecorderOptions options;
    options.clusterCount = 4;
    recorder::writeRecording(recording.path(), options, other);
    const std::string pemText = recorder::publicKeyPem(other.rsaPrivate.get());
    const TempFile pem(ebml::Bytes(pemText.begin(), pemText.end()), ".pem");
    const std::string comment = "# The agency's recorders; ask A. Smith before changing.\n";
    const TempFile store(ebml::Bytes(comment.begin(), comment.end()), ".toml");
    const std::string keys = "--keys " + store.path() + " ";

    const CommandResult unknown = verify(keys + recording.path());
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.out.find("signed by a key that is not trusted"), std::string::npos)
        << unknown.out;
    EXPECT_EQ(unknown.out.find("mismatch"), std::string::npos) << unknown.out;

    const CommandResult added =
        verify(keys + "keys add " + pem.path() + " --label 'North site' --from '2026-01-01 00:00:00'");
    ASSERT_EQ(added.status, 0) << added.out;
    EXPECT_EQ(textOf(store.path()).rfind(comment, 0), 0u) << "the comment was lost";

    const CommandResult proven = verify(keys + recording.path());
    EXPECT_EQ(proven.status, 0) << proven.out;
    EXPECT_NE(proven.out.find("key \"North site\" (sha256:"), std::string::npos) << proven.out;

    // The same store and validation time: the same JSON, the run's time aside.
    const std::string fixed = keys + "--validation-time 2027-01-01T00:00:00Z --json ";
    const CommandResult first = verify(fixed + recording.path());
    const CommandResult second = verify(fixed + recording.path());
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_EQ(withoutRunTime(first.out), withoutRunTime(second.out));
    const nlohmann::json report = withoutRunTime(first.out);
    const nlohmann::json& run = report[0]["verifier"]["keyStore"];
    EXPECT_EQ(run["validationTime"], "2027-01-01T00:00:00Z");
    EXPECT_EQ(run["sha256"].get<std::string>().size(), 64u);

    // Revoked before the recording's time: no longer proven.
    const std::string id = report[0]["signingKey"]["id"];
    ASSERT_EQ(verify(keys + "keys revoke " + id + " --at '2026-11-01 00:00:00' --reason stolen")
                  .status,
              0);
    EXPECT_EQ(textOf(store.path()).rfind(comment, 0), 0u);
    const CommandResult revoked = verify(fixed + recording.path());
    EXPECT_EQ(revoked.status, 1);
    EXPECT_NE(revoked.out.find("key-outside-validity"), std::string::npos);
}

TEST(KeysCommand, AStoreThatDoesNotReadVerifiesNothing) {
    const std::string bad = "[[key]]\nlabel = \"x\"\npublic_key = \"\"\"\n-----BEGIN PUBLIC KEY-----\n";
    const TempFile store(ebml::Bytes(bad.begin(), bad.end()), ".toml");
    const TempFile recording;
    recorder::writeRecording(recording.path(), recorder::RecorderOptions());
    const CommandResult refused = verify("--keys " + store.path() + " " + recording.path());
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.out.find(store.path() + ":"), std::string::npos) << refused.out;
    EXPECT_EQ(refused.out.find("Success"), std::string::npos) << refused.out;
}

TEST(KeysCommand, AnArchiveRunsTaskRefusesAShardPlannedWithOtherKeys) {
    const TempFile recording;
    recorder::writeRecording(recording.path(), recorder::RecorderOptions());
    const std::string ours = "# ours\n";
    const std::string theirs = "# theirs\n";
    const TempFile store(ebml::Bytes(ours.begin(), ours.end()), ".toml");
    const TempFile other(ebml::Bytes(theirs.begin(), theirs.end()), ".toml");
    const std::string run = recording.path() + ".run";
    struct Remove {
        std::string path;
        ~Remove() { std::filesystem::remove_all(path); }
    } remove{run};
    const std::string keys = "--keys " + store.path() + " --validation-time 2027-01-01T00:00:00Z ";
    ASSERT_EQ(verify(keys + "--plan " + recording.path() + " --out " + run).status, 0);
    const std::string shard = "--shard " + run + "/shards/00000 --out " + run + "/results";
    for (const std::string& elsewhere :
         {"--keys " + other.path() + " --validation-time 2027-01-01T00:00:00Z ",
          "--keys " + store.path() + " ", "--keys " + store.path() + " --validation-time 2028-01-01T00:00:00Z ",
          "--keys " + recording.path() + ".absent "}) {
        const CommandResult refused = verify(elsewhere + shard);
        EXPECT_EQ(refused.status, 4) << elsewhere << refused.out;
        EXPECT_FALSE(std::filesystem::exists(run + "/results/00000.jsonl")) << elsewhere;
    }
    const CommandResult done = verify(keys + shard);
    EXPECT_EQ(done.status, 0) << done.out;
}
