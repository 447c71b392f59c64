// Every input that ever crashed, hung or broke an invariant is kept under
// tests/data/fuzz-regressions/verify/ (see tests/data/README). Each must now
// end as stated below, and none may ever verify.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "signature/RecordingVerifier.h"

namespace {

const std::filesystem::path kFolder =
    std::filesystem::path(TELVAR_TEST_DATA) / "fuzz-regressions" / "verify";

// The outcome of each file: its result code, and the error text for code 3.
const std::map<std::string, std::pair<VerdictCode, std::string>> kExpected = {
    {"budget-seek-targets-overlap.mkv", {VerdictCode::Error, "out of range @ 1402"}},
    {"budget-masters-rewalk-run.mkv", {VerdictCode::Error, "out of range @ 1509"}},
    {"walk-error-after-failure-names-no-cluster.mkv", {VerdictCode::Mismatch, ""}},
    {"scan-error-without-finding.mkv", {VerdictCode::Error, "out of range @ 571"}},
};

}  // namespace

TEST(RegressionFiles, EndAsRecordedAndNeverVerify) {
    ASSERT_TRUE(std::filesystem::is_directory(kFolder)) << kFolder;
    size_t checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kFolder)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const RecordingVerdict verdict = verifyRecording(entry.path().string());
        EXPECT_NE(verdict.code, VerdictCode::Success);
        EXPECT_NE(verdict.code, VerdictCode::NotVerified);
        const auto expected = kExpected.find(name);
        ASSERT_NE(expected, kExpected.end()) << "add the expected outcome of " << name;
        EXPECT_EQ(verdict.code, expected->second.first) << verdict.errorText << verdict.detail;
        if (verdict.code == VerdictCode::Error) {
            EXPECT_EQ(verdict.errorText, expected->second.second);
        }
        ++checked;
    }
    EXPECT_EQ(checked, kExpected.size());
}
