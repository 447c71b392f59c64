// Runs the telvar-verify program itself on demo recordings.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "report/Escape.h"
#include "report/ReportContext.h"
#include "signature/Hex.h"
#include "signature/Sha256.h"
#include "support/Command.h"
#include "support/TempFile.h"
#include "JsonOutput.h"

namespace {

using CommandRun = CommandResult;

CommandRun run(const std::string& arguments) {
    return runCommand(std::string(TELVAR_VERIFY_EXE) + " " + arguments + " 2>/dev/null");
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
    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(dir(), ignored);
    }
    static std::string demo(const char* name) { return dir() + "/" + name; }
};

// SHA-256 of a file's bytes; "folder" for a folder.
std::string fileSha256(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return "folder";
    }
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return file.bad() || !file.is_open() ? std::string() : sha256Hex(bytes.data(), bytes.size());
}

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
        EXPECT_EQ(withoutRunTime(many.out), withoutRunTime(one.out)) << jobs;
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

TEST_F(VerifyCommand, JsonLinesOnePerFileInOrder) {
    // More files than the batch lets finish ahead of the one awaited.
    std::string files = demo("tampered.mkv") + " " + demo("authentic.mkv") + " /nonexistent.mkv";
    for (int i = 0; i < 9; ++i) {
        files += " " + demo(i % 2 ? "authentic.mkv" : "unsigned.mkv");
    }
    const CommandRun lines = run("--jsonl --jobs 2 " + files);
    EXPECT_EQ(lines.status, 1);
    std::istringstream in(lines.out);
    std::vector<nlohmann::json> objects;
    for (std::string line; std::getline(in, line);) {
        objects.push_back(nlohmann::json::parse(line));
    }
    ASSERT_EQ(objects.size(), 12u);
    EXPECT_EQ(objects[0]["file"], "tampered.mkv");
    EXPECT_EQ(objects[1]["code"], 0);
    EXPECT_EQ(objects[1]["reportVersion"], 2);
    EXPECT_EQ(objects[1]["sha256"].get<std::string>().size(), 64u);
    EXPECT_EQ(objects[1]["verifier"]["name"], "telvar-verify");
    EXPECT_FALSE(objects[2]["identityError"].is_null());
    EXPECT_EQ(objects[2]["code"], 3);
    for (size_t i = 3; i < objects.size(); ++i) {
        EXPECT_EQ(objects[i]["code"], i % 2 ? 2 : 0) << i;
    }
}

TEST_F(VerifyCommand, HtmlReportIsWrittenAndFingerprinted) {
    const std::string html = dir() + "/case.html";
    const CommandRun text = run("--report " + html + " --examiner Smith --case C-1 " +
                                demo("authentic.mkv") + " " + demo("tampered.mkv"));
    EXPECT_EQ(text.status, 1);
    std::ifstream file(html, std::ios::binary);
    const std::string contents((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    EXPECT_EQ(contents.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(contents.find("C-1"), std::string::npos);
#ifdef TELVAR_WITH_VIDEO
    // The tampered file's pictures: the verified neighbours and the three altered seconds.
    size_t pictures = 0;
    for (size_t at = contents.find("data:image/png;base64,"); at != std::string::npos;
         at = contents.find("data:image/png;base64,", at + 1)) {
        ++pictures;
    }
    EXPECT_EQ(pictures, 5u);
    EXPECT_NE(contents.find("<figcaption>Cluster 15 · 00:00:14 (08:00:14 as stated) · failed</figcaption>"),
              std::string::npos);
#endif
    EXPECT_NE(text.out.find("Report written to " + html + " (SHA-256 " +
                            sha256Hex(contents.data(), contents.size()) + ")\n"),
              std::string::npos)
        << text.out;

    // Standard output stays one JSON array when the report comes along; a
    // report written here before is replaced.
    const CommandRun json = run("--json --report " + html + " " + demo("authentic.mkv"));
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(nlohmann::json::parse(json.out).size(), 1u);
    EXPECT_NE(sha256Hex(contents.data(), contents.size()), fileSha256(html));
    // A report that cannot be written stops the run before verifying.
    const CommandRun unwritable = run("--report /nonexistent/r.html " + demo("authentic.mkv"));
    EXPECT_EQ(unwritable.status, 3);
    EXPECT_EQ(unwritable.out, "");
    // Nor may it replace a recording.
    EXPECT_EQ(run("--report " + demo("authentic.mkv") + " " + demo("authentic.mkv")).status, 2);
    EXPECT_EQ(run(demo("authentic.mkv")).status, 0);
}

TEST_F(VerifyCommand, ReportNeverReplacesAnotherFile) {
    // A recording not being verified, a page that merely looks like a
    // report, a folder: each is left as it is, before anything is verified.
    const std::string other = dir() + "/other.mkv";
    ASSERT_EQ(std::system(("cp " + demo("unsigned.mkv") + " " + other).c_str()), 0);
    const TempFile page(ebml::bytesOf("<!DOCTYPE html>\n<html><head><title>Evidence report"));
    for (const std::string& target : {other, page.path(), dir()}) {
        const std::string before = fileSha256(target);
        const CommandRun refused = run("--report " + target + " " + demo("authentic.mkv"));
        EXPECT_EQ(refused.status, 3) << target;
        EXPECT_EQ(refused.out, "") << target;
        EXPECT_EQ(fileSha256(target), before) << target;
    }
    EXPECT_EQ(fileSha256(other), fileSha256(demo("unsigned.mkv")));
    EXPECT_EQ(std::system(("ls " + dir() + " | grep -q part-").c_str()) == 0, false);
}

TEST_F(VerifyCommand, APipeOrADeviceIsRefusedAtOnce) {
    // Opening a FIFO blocks until a writer comes; the timeout turns a
    // hang into a failure.
    const std::string pipe = dir() + "/pipe.mkv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string verify = "timeout 60 " + std::string(TELVAR_VERIFY_EXE);
    const CommandRun text = runCommand(verify + " " + pipe + " 2>/dev/null");
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.out,
              "Failed   pipe.mkv  error: not a regular file (a FIFO)\n    file-error: The file "
              "could not be verified as a recording: not a regular file (a FIFO).\n");
    const CommandRun json = runCommand(verify + " --json " + pipe + " /dev/null 2>/dev/null");
    ASSERT_EQ(json.status, 1);
    const nlohmann::json files = nlohmann::json::parse(json.out);
    EXPECT_EQ(files[0]["code"], 3);
    EXPECT_EQ(files[1]["errorText"], "not a regular file (a character device)");
    std::remove(pipe.c_str());
}

TEST_F(VerifyCommand, PathThatIsNotUtf8IsKeptExactly) {
    const std::string odd = dir() + "/cam\xFE\xE2\x80\xAE.mkv";
    ASSERT_EQ(std::system(("cp " + demo("authentic.mkv") + " '" + odd + "'").c_str()), 0);
    const nlohmann::json parsed = nlohmann::json::parse(run("--json '" + odd + "'").out);
    EXPECT_EQ(parsed[0]["file"], "cam\\xFE\\u{202E}.mkv");
    EXPECT_EQ(parsed[0]["pathBytes"], hexBytes(odd));
    EXPECT_EQ(parsed[0]["fileBytes"], hexBytes("cam\xFE\xE2\x80\xAE.mkv"));
    EXPECT_EQ(run("'" + odd + "'").out.rfind("Success  cam\\xFE\\u{202E}.mkv  start", 0), 0u);
}

TEST_F(VerifyCommand, CsvIsTheWindowsFormatOneLinePerFileInOrder) {
    const CommandRun csv =
        run("--csv --jobs 2 --examiner Ann --case C-7 " + demo("tampered.mkv") + " " +
            demo("authentic.mkv"));
    EXPECT_EQ(csv.status, 1);
    std::vector<std::string> lines;
    for (size_t at = 0, end = 0; (end = csv.out.find("\r\n", at)) != std::string::npos;
         at = end + 2) {
        lines.push_back(csv.out.substr(at, end - at));
    }
    ASSERT_EQ(lines.size(), 3u) << csv.out;
    EXPECT_EQ(lines[0],
              "Name,Path,Verdict,Reason,Serial Number,Start,End,First Failure,SHA-256,Verified "
              "At,Origin,Examiner,Case Reference,Custody Events,Custody Newest SHA-256,Custody "
              "Seal,Report Event,Examiner Key Ed25519,Examiner Key SHA-256,Signing Key,Key Store "
              "SHA-256,Build");
    EXPECT_EQ(lines[1].rfind(
                  "tampered.mkv," + demo("tampered.mkv") + ",Failed (signature does not hold),", 0),
              0u);
    EXPECT_NE(lines[1].find(",\"TLV-0001234 (stated, not verified)\","), std::string::npos);
    // A failed file's origin is left empty; every line names the run's examiner and case.
    // Without a case the custody cells stay, empty, and without a key store
    // the key cells too; the build closes the line.
    const std::string tail = std::string(",,Ann,C-7,,,,,,,,,") + telvarBuild();
    EXPECT_EQ(lines[1].rfind(tail), lines[1].size() - tail.size()) << lines[1];
    EXPECT_EQ(lines[2].rfind("authentic.mkv," + demo("authentic.mkv") +
                                 ",Success (authentic),,TLV-0001234,2026-12-01 08:00:00,",
                             0),
              0u);
    // The run's time, as the window writes it.
    EXPECT_NE(lines[2].find(" UTC"), std::string::npos);
}

#ifdef TELVAR_WITH_VIDEO
// --frames: a JSON line per frame, the replaced seconds failing; --still:
// the PNG and a record that says where it came from and that it fails,
// and never a file replaced.
TEST_F(VerifyCommand, FramesAndStillsOfTheTamperedDemo) {
    const CommandRun frames = run("--frames " + demo("tampered.mkv"));
    EXPECT_EQ(frames.status, 0);
    std::istringstream lines(frames.out);
    std::string line;
    int count = 0;
    int failing = 0;
    while (std::getline(lines, line)) {
        const nlohmann::json frame = nlohmann::json::parse(line);
        EXPECT_EQ(frame.at("frame"), ++count);
        EXPECT_EQ(frame.at("timeBase"), "1/1000");
        failing += frame.at("standing") == "failing" ? 1 : 0;
        if (count == 1) {
            for (const char* key : {"pts", "offset", "size", "keyframe", "cluster", "statedTime",
                                    "packetSha256"}) {
                EXPECT_TRUE(frame.contains(key)) << key;
            }
        }
    }
    EXPECT_EQ(count, 1500);
    EXPECT_EQ(failing, 75);

    const std::string png = dir() + "/still-360.png";
    const CommandRun still = run("--still 360 " + demo("tampered.mkv") + " --out " + png);
    ASSERT_EQ(still.status, 0);
    std::ifstream recordFile(dir() + "/still-360.json");
    const nlohmann::json record = nlohmann::json::parse(recordFile);
    EXPECT_EQ(record.at("frame").at("frame"), 360);
    EXPECT_EQ(record.at("frame").at("standing"), "failing");
    EXPECT_EQ(record.at("frame").at("statedTime"), "2026-12-01 08:00:14.360");
    EXPECT_EQ(record.at("proofKey"), "rsa");
    EXPECT_EQ(record.at("pngSha256"), fileSha256(png));
    EXPECT_EQ(record.at("source").at("sha256"), fileSha256(demo("tampered.mkv")));
    EXPECT_EQ(record.at("conversion").at("width"), 320);

    const std::string before = fileSha256(png);
    EXPECT_EQ(run("--still 1 " + demo("tampered.mkv") + " --out " + png).status, 3);
    EXPECT_EQ(fileSha256(png), before);
    EXPECT_EQ(run("--still 1501 " + demo("tampered.mkv") + " --out " + dir() + "/x.png").status,
              1);
    EXPECT_EQ(run("--still 1 " + demo("tampered.mkv")).status, 2);
    EXPECT_EQ(run("--still 0 " + demo("tampered.mkv") + " --out " + dir() + "/x.png").status, 2);
    EXPECT_EQ(run("--frames --json " + demo("tampered.mkv")).status, 2);
    // Not a recording: no frame, a clear error, no crash.
    const TempFile text;
    {
        std::ofstream(text.path()) << "not a recording\n";
    }
    const CommandRun none = run("--frames " + text.path());
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
}

// FFmpeg is opened only when a picture is wanted. Where it cannot be, every
// recording is verified all the same, and the report's pictures and the
// frame list say why there are none.
TEST_F(VerifyCommand, WithoutFfmpegVerdictsStandAndPicturesSayWhy) {
    const std::string broken = dir() + "/no-ffmpeg";
    std::filesystem::create_directories(broken);
    std::ofstream(broken + "/" + TELVAR_AVFORMAT_SONAME) << "not a library\n";
    const std::string program =
        "LD_LIBRARY_PATH=" + broken + " " + TELVAR_VERIFY_EXE + " ";
    const std::string report = dir() + "/no-ffmpeg.html";
    const CommandRun verified = runCommand(program + "--report " + report + " " +
                                           demo("authentic.mkv") + " " + demo("tampered.mkv"));
    EXPECT_EQ(verified.status, 1);
    EXPECT_NE(verified.out.find("Success  authentic.mkv"), std::string::npos) << verified.out;
    EXPECT_NE(verified.out.find("Failed   tampered.mkv  signature mismatch: cluster 15"),
              std::string::npos);
    std::ifstream html(report);
    const std::string page((std::istreambuf_iterator<char>(html)), std::istreambuf_iterator<char>());
    const std::string why = std::string("FFmpeg&#39;s ") + TELVAR_AVFORMAT_SONAME + " cannot be loaded";
    EXPECT_NE(page.find("No picture: " + why), std::string::npos);

    const CommandRun frames = runCommand(program + "--frames " + demo("tampered.mkv") + " 2>&1");
    EXPECT_EQ(frames.status, 1);
    EXPECT_NE(frames.out.find(std::string(TELVAR_AVFORMAT_SONAME) + " cannot be loaded"),
              std::string::npos)
        << frames.out;
}
#endif
