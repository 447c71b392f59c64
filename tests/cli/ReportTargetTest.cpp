// Where --report may write: nothing, or a report written here before.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/ReportTarget.h"
#include "report/HtmlReport.h"

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(ReportTarget, OnlyNothingOrAReportOfOursMayBeReplaced) {
    std::string pattern = testing::TempDir() + "telvar-target-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const std::string dir = pattern;
    const auto at = [&](const char* name) { return dir + "/" + name; };
    writeFile(at("own.html"), std::string("<!DOCTYPE html>\n<html><head>") + kReportMarker);
    writeFile(at("page.html"), "<!DOCTYPE html>\n<html><head><title>Evidence report");
    writeFile(at("recording.mkv"), "\x1A\x45\xDF\xA3");
    ASSERT_EQ(::symlink(at("own.html").c_str(), at("own-link.html").c_str()), 0);
    // Writing through a link to nothing would create a file wherever it points.
    ASSERT_EQ(::symlink(at("nowhere.html").c_str(), at("dangling.html").c_str()), 0);
    ASSERT_EQ(::symlink(dir.c_str(), at("folder-link").c_str()), 0);
    ASSERT_EQ(::mkfifo(at("pipe.html").c_str(), 0600), 0);

    const std::vector<std::pair<std::string, ReportTarget>> cases = {
        {at("absent.html"), ReportTarget::Absent},
        {at("own.html"), ReportTarget::OwnReport},
        {at("own-link.html"), ReportTarget::OwnReport},
        {at("page.html"), ReportTarget::OtherFile},
        {at("recording.mkv"), ReportTarget::OtherFile},
        {at("dangling.html"), ReportTarget::OtherFile},
        {at("pipe.html"), ReportTarget::OtherFile},
        {"/dev/null", ReportTarget::OtherFile},
        {dir, ReportTarget::Folder},
        {at("folder-link"), ReportTarget::Folder},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(reportTargetOf(path), expected) << path;
    }
    std::filesystem::remove_all(dir);
}
