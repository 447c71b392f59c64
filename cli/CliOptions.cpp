#include "cli/CliOptions.h"

CliOptions parseCommandLine(const std::vector<std::string>& arguments) {
    CliOptions options;
    bool onlyFiles = false;
    for (const std::string& argument : arguments) {
        if (onlyFiles || argument.empty() || argument[0] != '-' || argument == "-") {
            options.files.push_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--help" || argument == "-h") {
            options.action = CliOptions::Action::Help;
            return options;
        } else if (argument == "--version") {
            options.action = CliOptions::Action::Version;
            return options;
        } else {
            options.action = CliOptions::Action::UsageError;
            options.error = "unknown option: " + argument;
            return options;
        }
    }
    if (options.files.empty()) {
        options.action = CliOptions::Action::UsageError;
        options.error = "no file given";
    }
    return options;
}

const char* usageText() {
    return "Usage: telvar-verify [--json] FILE...\n"
           "Verifies the recorder signatures of surveillance recordings (.mkv).\n"
           "\n"
           "  --json     print one JSON array with an object per file\n"
           "  --help     show this text\n"
           "  --version  show the version\n"
           "\n"
           "Exit status: 0 every file verified, 1 some file did not, 2 usage error.\n";
}
