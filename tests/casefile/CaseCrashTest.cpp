// A run killed with SIGKILL loses nothing it printed, and two runs writing
// one case take turns; either way the custody log still checks.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "CaseDirectory.h"
#include "casefile/CaseFile.h"
#include "casefile/CaseLock.h"
#include "support/TestRecorder.h"

namespace {

// Small signed recordings, and a list of their paths for --files-from.
std::string writeRecordings(const CaseDirectory& dir, const std::string& prefix, int count) {
    std::string list;
    for (int i = 0; i < count; ++i) {
        const std::string path = dir / (prefix + std::to_string(i) + ".mkv");
        recorder::RecorderOptions options;
        options.clusterCount = 2;
        recorder::writeRecording(path, options);
        list += path + "\n";
    }
    const std::string listPath = dir / (prefix + ".list");
    writeBytes(listPath, list);
    return listPath;
}

// telvar-verify started with its standard output on a pipe.
struct Child {
    pid_t pid = -1;
    std::FILE* out = nullptr;
};

Child start(const std::vector<std::string>& arguments) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(TELVAR_VERIFY_EXE));
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(TELVAR_VERIFY_EXE, argv.data());
        _exit(127);
    }
    close(fds[1]);
    return {pid, fdopen(fds[0], "r")};
}

std::string readLine(std::FILE* in) {
    std::string line;
    int c = 0;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
        line += static_cast<char>(c);
    }
    return c == EOF && line.empty() ? std::string("\x04") : line;
}

int finish(const Child& child) {
    std::fclose(child.out);
    int status = 0;
    waitpid(child.pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::set<std::string> verifiedPaths(const std::string& casePath) {
    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    const CaseFile file(casePath, options);
    EXPECT_TRUE(file.audit().intact()) << file.audit().problem;
    std::set<std::string> paths;
    for (const RecordingRow& row : file.recordings()) {
        if (row.latestVerification) {
            paths.insert(row.path);
        }
    }
    return paths;
}

}  // namespace

TEST(CaseCrash, SigkillLosesNothingThatWasPrinted) {
    CaseDirectory dir;
    const int total = 300;
    const std::string list = writeRecordings(dir, "r", total);
    const std::string casePath = dir / "c.telvarcase";
    const Child child =
        start({"--case-file", casePath, "--jsonl", "--jobs", "2", "--files-from", list});
    ASSERT_GT(child.pid, 0);
    std::vector<std::string> printed;
    for (std::string line; printed.size() < 25 && (line = readLine(child.out)) != "\x04";) {
        printed.push_back(line);
    }
    kill(child.pid, SIGKILL);
    // What was already in the pipe was printed before the kill, too.
    for (std::string line; (line = readLine(child.out)) != "\x04";) {
        printed.push_back(line);
    }
    EXPECT_EQ(finish(child), -1);
    ASSERT_GE(printed.size(), 25u);
    EXPECT_LT(printed.size(), static_cast<size_t>(total)) << "the run ended before the kill";

    const std::set<std::string> stored = verifiedPaths(casePath);
    for (const std::string& line : printed) {
        const size_t at = line.find("\"path\":\"");
        ASSERT_NE(at, std::string::npos);
        const std::string path = line.substr(at + 8, line.find('"', at + 8) - at - 8);
        EXPECT_EQ(stored.count(path), 1u) << path;
    }
    // Whole, but the killed run never sealed what it wrote.
    const CommandResult audit = runVerify("--case-file " + quoted(casePath) + " --audit");
    EXPECT_EQ(audit.status, 1);
    EXPECT_NE(audit.out.find("Custody log intact"), std::string::npos) << audit.out;
    EXPECT_NE(audit.out.find("Not sealed"), std::string::npos) << audit.out;
    // The case goes on where it stopped, and that run seals it all.
    EXPECT_EQ(runVerify("--case-file " + quoted(casePath) + " --files-from " + quoted(list)).status,
              0);
    EXPECT_EQ(verifiedPaths(casePath).size(), static_cast<size_t>(total));
    EXPECT_EQ(runVerify("--case-file " + quoted(casePath) + " --audit").status, 0);
}

// SIGTERM or Ctrl+C: what the run wrote is sealed before it ends.
TEST(CaseCrash, ATerminatedRunSealsWhatItWrote) {
    CaseDirectory dir;
    const std::string list = writeRecordings(dir, "r", 300);
    const std::string casePath = dir / "c.telvarcase";
    const Child child =
        start({"--case-file", casePath, "--jsonl", "--jobs", "2", "--files-from", list});
    ASSERT_GT(child.pid, 0);
    for (int lines = 0; lines < 10 && readLine(child.out) != "\x04"; ++lines) {
    }
    kill(child.pid, SIGTERM);
    while (readLine(child.out) != "\x04") {
    }
    EXPECT_EQ(finish(child), 128 + SIGTERM);
    const CommandResult audit = runVerify("--case-file " + quoted(casePath) + " --audit");
    EXPECT_EQ(audit.status, 0) << audit.out;
    EXPECT_LT(verifiedPaths(casePath).size(), 300u) << "the run ended before the signal";
}

TEST(CaseCrash, TwoWritersTakeTurnsOnOneCase) {
    CaseDirectory dir;
    const std::string first = writeRecordings(dir, "a", 60);
    const std::string second = writeRecordings(dir, "b", 60);
    const std::string casePath = dir / "c.telvarcase";  // made by whichever comes first
    const Child a = start({"--case-file", casePath, "--jobs", "1", "--files-from", first});
    const Child b = start({"--case-file", casePath, "--jobs", "1", "--files-from", second});
    std::string outA;
    std::string outB;
    for (std::string line; (line = readLine(a.out)) != "\x04";) {
        outA += line + "\n";
    }
    for (std::string line; (line = readLine(b.out)) != "\x04";) {
        outB += line + "\n";
    }
    const int statusA = finish(a);
    const int statusB = finish(b);
    // Each succeeds, or gives up with the case-file status after its wait.
    EXPECT_TRUE(statusA == 0 || statusA == 4) << statusA;
    EXPECT_TRUE(statusB == 0 || statusB == 4) << statusB;
    EXPECT_TRUE(statusA == 0 || statusB == 0);
    const size_t stored = verifiedPaths(casePath).size();
    EXPECT_EQ(stored, static_cast<size_t>(std::count(outA.begin(), outA.end(), '\n') +
                                          std::count(outB.begin(), outB.end(), '\n')));
    if (statusA == 0 && statusB == 0) {
        EXPECT_EQ(stored, 120u);
    }
    EXPECT_EQ(runVerify("--case-file " + quoted(casePath) + " --audit").status, 0);
}

// One writer per case: a run waits for another run's lock and names a
// window's at once, writing nothing; the window's lock names telvar-verify.
TEST(CaseCrash, SecondWriterWaitsForARunAndIsRefusedByAWindow) {
    CaseDirectory dir;
    const std::string list = writeRecordings(dir, "r", 2);
    const std::string casePath = dir / "c.telvarcase";
    const std::string run = "--case-file " + quoted(casePath) + " --files-from " + quoted(list);
    std::optional<CaseLock::Holder> heldBy;
    {
        const std::unique_ptr<CaseLock> window =
            CaseLock::take(casePath, "telvar-authenticator", heldBy);
        ASSERT_TRUE(window);
        const CommandResult refused = runVerify(run, true);
        EXPECT_EQ(refused.status, 4);
        EXPECT_NE(refused.out.find("open for writing in telvar-authenticator (process " +
                                   std::to_string(getpid())),
                  std::string::npos)
            << refused.out;
        EXPECT_EQ(access(casePath.c_str(), F_OK), -1) << "nothing written while refused";
    }
    std::unique_ptr<CaseLock> other = CaseLock::take(casePath, "telvar-verify", heldBy);
    ASSERT_TRUE(other);
    std::thread letGo([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        other.reset();
    });
    const Child waiting = start({"--case-file", casePath, "--files-from", list});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // While it waits, the case is its own no more than the window's would be.
    EXPECT_EQ(access(casePath.c_str(), F_OK), -1);
    letGo.join();
    while (readLine(waiting.out) != "\x04") {
    }
    EXPECT_EQ(finish(waiting), 0);
    EXPECT_EQ(verifiedPaths(casePath).size(), 2u);
    // Held by the run, the case is named to a window as telvar-verify's.
    const Child holding = start(
        {"--case-file", casePath, "--jobs", "1", "--files-from", writeRecordings(dir, "s", 200)});
    readLine(holding.out);  // it has the case now
    EXPECT_FALSE(CaseLock::take(casePath, "telvar-authenticator", heldBy));
    ASSERT_TRUE(heldBy);
    EXPECT_EQ(heldBy->program, "telvar-verify");
    EXPECT_EQ(heldBy->pid, holding.pid);
    while (readLine(holding.out) != "\x04") {
    }
    EXPECT_EQ(finish(holding), 0);
}
