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
