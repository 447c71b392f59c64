#include <gtest/gtest.h>

#include "cli/CliOptions.h"

using Action = CliOptions::Action;

TEST(CliOptions, FilesAndFlags) {
    const CliOptions plain = parseCommandLine({"a.mkv", "--json", "dir/b.mkv"});
    EXPECT_EQ(plain.action, Action::Verify);
    EXPECT_TRUE(plain.json);
    EXPECT_EQ(plain.files, (std::vector<std::string>{"a.mkv", "dir/b.mkv"}));

    // After "--" a name that looks like an option is a file.
    const CliOptions dashed = parseCommandLine({"--", "--json"});
    EXPECT_FALSE(dashed.json);
    EXPECT_EQ(dashed.files, (std::vector<std::string>{"--json"}));
}

TEST(CliOptions, Jobs) {
    EXPECT_EQ(parseCommandLine({"a.mkv"}).jobs, 0);
    EXPECT_EQ(parseCommandLine({"--jobs", "3", "a.mkv"}).jobs, 3);
    EXPECT_EQ(parseCommandLine({"a.mkv", "--jobs=8"}).jobs, 8);
    EXPECT_EQ(parseCommandLine({"-j", "1", "a.mkv"}).files, (std::vector<std::string>{"a.mkv"}));
    for (const char* bad : {"0", "-2", "x", "", "99999", "2x"}) {
        const CliOptions options = parseCommandLine({"--jobs", bad, "a.mkv"});
        EXPECT_EQ(options.action, Action::UsageError) << bad;
        EXPECT_EQ(options.error, "--jobs needs a number from 1 to 1024");
    }
    EXPECT_EQ(parseCommandLine({"a.mkv", "--jobs"}).action, Action::UsageError);
}

TEST(CliOptions, HelpVersionAndUsageErrors) {
    EXPECT_EQ(parseCommandLine({"--help"}).action, Action::Help);
    EXPECT_EQ(parseCommandLine({"a.mkv", "--version"}).action, Action::Version);

    const CliOptions none = parseCommandLine({"--json"});
    EXPECT_EQ(none.action, Action::UsageError);
    EXPECT_EQ(none.error, "no file given");

    const CliOptions unknown = parseCommandLine({"--fast", "a.mkv"});
    EXPECT_EQ(unknown.action, Action::UsageError);
    EXPECT_EQ(unknown.error, "unknown option: --fast");
}

TEST(CliOptions, ReportOptions) {
    const CliOptions report = parseCommandLine({"--report", "r.html", "--examiner=A. Smith",
                                                "--case", "C-1", "--jsonl", "--clusters", "a.mkv"});
    EXPECT_EQ(report.action, Action::Verify);
    EXPECT_EQ(report.reportPath, "r.html");
    EXPECT_EQ(report.examiner, "A. Smith");
    EXPECT_EQ(report.caseReference, "C-1");
    EXPECT_TRUE(report.jsonLines && report.clusters);
    EXPECT_EQ(report.files, (std::vector<std::string>{"a.mkv"}));

    EXPECT_EQ(parseCommandLine({"a.mkv", "--report"}).error, "--report needs a value");
    EXPECT_EQ(parseCommandLine({"--case=", "a.mkv"}).action, Action::UsageError);
    EXPECT_EQ(parseCommandLine({"--json", "--jsonl", "a.mkv"}).error,
              "--json and --jsonl cannot be combined");
    EXPECT_EQ(parseCommandLine({"--jsonl", "--csv", "a.mkv"}).error,
              "--csv cannot be combined with --json or --jsonl");
    EXPECT_TRUE(parseCommandLine({"--csv", "--report", "r.html", "a.mkv"}).csv);
}

TEST(CliOptions, CaseFileActionsAndFileLists) {
    using CaseAction = CliOptions::CaseAction;
    const CliOptions audit = parseCommandLine({"--case-file=c.telvarcase", "--audit"});
    EXPECT_EQ(audit.action, Action::Verify);
    EXPECT_EQ(audit.caseAction, CaseAction::Audit);
    EXPECT_EQ(audit.caseFile, "c.telvarcase");
    // A list alone is enough files; "-" is standard input, not a file.
    const CliOptions listed = parseCommandLine({"--files-from", "-", "-0"});
    EXPECT_EQ(listed.action, Action::Verify);
    EXPECT_EQ(listed.filesFrom, "-");
    EXPECT_TRUE(listed.nulSeparated);
    EXPECT_TRUE(listed.files.empty());

    const std::vector<std::pair<std::vector<std::string>, std::string>> errors = {
        {{"--list"}, "--audit, --list and --reverify need --case-file"},
        {{"--case-file", "c", "--reverify", "a.mkv"},
         "--audit, --list and --reverify take no file: the case names them"},
        {{"--case-file", "c", "--audit", "--list"}, "only one of --audit, --list and --reverify at a time"},
        {{"--case-file", "c", "--list", "--report", "r.html"},
         "--audit and --list verify nothing: --report and --clusters do not apply"},
        {{"-0", "a.mkv"}, "-0 needs --files-from"},
        {{"--case-file", "c"}, "no file given"},
        {{"--case-file"}, "--case-file needs a value"},
    };
    for (const auto& [arguments, error] : errors) {
        const CliOptions options = parseCommandLine(arguments);
        EXPECT_EQ(options.action, Action::UsageError) << error;
        EXPECT_EQ(options.error, error);
    }
}

TEST(CliOptions, ArchiveRunSteps) {
    const CliOptions plan =
        parseCommandLine({"--plan", "/a", "/b", "--out", "run", "--shard-bytes", "2G"});
    EXPECT_EQ(plan.action, Action::Plan);
    EXPECT_EQ(plan.files, (std::vector<std::string>{"/a", "/b"}));
    EXPECT_EQ(plan.shardBytes, int64_t{2} << 30);
    EXPECT_EQ(parseCommandLine({"--shard", "run/shards/00003", "--out", "run/results"}).action,
              Action::Shard);
    const CliOptions merge = parseCommandLine({"--case-file", "c.telvarcase", "--merge", "run"});
    EXPECT_EQ(merge.action, Action::Verify);
    EXPECT_EQ(merge.caseAction, CliOptions::CaseAction::Merge);
    // Sizes past 2^62 would overflow once shifted; none is taken.
    for (const char* bad : {"0", "1.5G", "G", "4194305T", "-1"}) {
        EXPECT_EQ(parseCommandLine({"--plan", "/a", "--out", "r", "--shard-files", bad}).action,
                  Action::UsageError)
            << bad;
    }
    // Each step alone, with what it needs and nothing that would write elsewhere.
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--plan", "/a"},
             {"--plan", "--out", "r"},
             {"--plan", "/a", "--out", "r", "--older-than", "30"},
             {"--plan", "/a", "--out", "r", "--case-file", "c"},
             {"--shard", "s", "--out", "r", "a.mkv"},
             {"--shard", "s", "--out", "r", "--shard-files", "3"},
             {"--merge", "run"},
             {"--case-file", "c", "--merge", "run", "--jsonl"},
             {"--case-file", "c", "--merge", "run", "--audit"},
             {"--plan", "/a", "--out", "r", "--shard", "s"}}) {
        EXPECT_EQ(parseCommandLine(bad).action, Action::UsageError) << bad[0] << " " << bad.back();
    }
}
