// Runs the telvar-verify program itself on demo recordings.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "support/TempFile.h"

namespace {

struct CommandRun {
    int status = -1;
    std::string out;
};

CommandRun run(const std::string& arguments) {
    CommandRun result;
    const std::string command = std::string(TELVAR_VERIFY_EXE) + " " + arguments + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.out.append(buffer, got);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class VerifyCommand : public testing::Test {
  protected:
    static const std::string& dir() {
        // One folder per process: ctest runs these tests side by side.
        static const std::string path =
            testing::TempDir() + "telvar-cli-demo-" + std::to_string(getpid());
        return path;
    }
    static void SetUpTestSuite() {
        const std::string make =
            "mkdir -p " + dir() + " && " + TELVAR_MAKE_DEMO_EXE + " " + dir() + " >/dev/null";
        ASSERT_EQ(std::system(make.c_str()), 0);
    }
    static void TearDownTestSuite() { std::system(("rm -rf " + dir()).c_str()); }
    static std::string demo(const char* name) { return dir() + "/" + name; }
};

}  // namespace

TEST_F(VerifyCommand, TextLinesInOrderAndExitStatus) {
    const CommandRun ok = run(demo("authentic.mkv"));
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out,
              "Success  authentic.mkv  start 2026-12-01 08:00:00  end 2026-12-01 08:01:00  serial "
              "TLV-0001234\n");

    const CommandRun mixed =
        run(demo("tampered.mkv") + " /nonexistent.mkv " + demo("authentic.mkv"));
    EXPECT_EQ(mixed.status, 1);
    const size_t first =
        mixed.out.find("Failed   tampered.mkv  signature mismatch: cluster 15 at offset");
    const size_t second = mixed.out.find("Failed   nonexistent.mkv  error: failed to open file\n");
    const size_t third = mixed.out.find("Success  authentic.mkv");
    EXPECT_EQ(first, 0u) << mixed.out;
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
}

TEST_F(VerifyCommand, JobsChangeNothingButSpeed) {
    const std::string files = demo("tampered.mkv") + " " + demo("authentic.mkv") + " " +
                              demo("unsigned.mkv") + " " + demo("authentic.mkv");
    const CommandRun one = run("--json --jobs 1 " + files);
    for (const char* jobs : {"2", "4"}) {
        const CommandRun many = run(std::string("--json --jobs ") + jobs + " " + files);
        EXPECT_EQ(many.status, one.status);
        EXPECT_EQ(many.out, one.out) << jobs;
    }
    // One file alone spreads its clusters over the threads.
    EXPECT_EQ(run("--jobs 3 " + demo("tampered.mkv")).out,
              run("--jobs 1 " + demo("tampered.mkv")).out);
}

TEST_F(VerifyCommand, JsonDescribesEveryFile) {
    const CommandRun json = run("--json " + demo("authentic.mkv") + " " + demo("tampered.mkv") +
                                " " + demo("unsigned.mkv"));
    EXPECT_EQ(json.status, 1);
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    ASSERT_EQ(parsed.size(), 3u);
    EXPECT_EQ(parsed[0]["file"], "authentic.mkv");
    EXPECT_EQ(parsed[0]["path"], demo("authentic.mkv"));
    EXPECT_EQ(parsed[0]["code"], 0);
    EXPECT_EQ(parsed[0]["serialNumber"], "TLV-0001234");
    EXPECT_EQ(parsed[0]["detail"], "");
    EXPECT_EQ(parsed[1]["code"], 1);
    EXPECT_EQ(parsed[1]["verdict"], "Failed");
    EXPECT_EQ(parsed[1]["serialNumber"], "");
    EXPECT_NE(parsed[1]["detail"].get<std::string>().find("cluster 15 "), std::string::npos);
    EXPECT_EQ(parsed[2]["code"], 2);
}

TEST_F(VerifyCommand, UsageAndHostileInput) {
    EXPECT_EQ(run("").status, 2);
    EXPECT_EQ(run("--bogus " + demo("authentic.mkv")).status, 2);
    const CommandRun version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "1.0.0.0\n");
    EXPECT_EQ(run("--help").status, 0);

    // A file that is not a recording does not stop the batch.
    const TempFile text(ebml::bytesOf("just text"));
    const CommandRun batch = run("--json " + text.path() + " " + demo("authentic.mkv"));
    const nlohmann::json parsed = nlohmann::json::parse(batch.out);
    EXPECT_EQ(parsed[0]["code"], 3);
    EXPECT_EQ(parsed[0]["errorText"], "not an valid file @ 0");
    EXPECT_EQ(parsed[1]["code"], 0);
}
