#include "cli/CliOptions.h"

#include <cstdlib>

namespace {

// A whole number from 1 to 1024, or 0 when the text is none.
int parseJobs(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
        text.size() > 4) {
        return 0;
    }
    const int value = std::atoi(text.c_str());
    return value >= 1 && value <= 1024 ? value : 0;
}

}  // namespace

CliOptions parseCommandLine(const std::vector<std::string>& arguments) {
    CliOptions options;
    bool onlyFiles = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!onlyFiles &&
            (argument == "--jobs" || argument == "-j" || argument.rfind("--jobs=", 0) == 0)) {
            const bool inlineValue = argument.rfind("--jobs=", 0) == 0;
            const std::string value =
                inlineValue ? argument.substr(7) : (i + 1 < arguments.size() ? arguments[++i] : "");
            options.jobs = parseJobs(value);
            if (options.jobs == 0) {
                options.action = CliOptions::Action::UsageError;
                options.error = "--jobs needs a number from 1 to 1024";
                return options;
            }
            continue;
        }
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
    return "Usage: telvar-verify [--json] [--jobs N] FILE...\n"
           "Verifies the recorder signatures of surveillance recordings (.mkv).\n"
           "\n"
           "  --json     print one JSON array with an object per file\n"
           "  --jobs N   verify up to N files at once (default: one per core); a\n"
           "             file verified alone spreads its clusters over N threads\n"
           "  --help     show this text\n"
           "  --version  show the version\n"
           "\n"
           "Exit status: 0 every file verified, 1 some file did not, 2 usage error.\n";
}
