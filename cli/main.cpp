// telvar-verify: the headless verifier for batch and scripted use.
#include <cstdio>
#include <iostream>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/ProgressBar.h"
#include "cli/VerdictFormat.h"

int main(int argc, char** argv) {
    const CliOptions options = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.action) {
        case CliOptions::Action::Help: std::cout << usageText(); return 0;
        case CliOptions::Action::Version: std::cout << TELVAR_VERSION << '\n'; return 0;
        case CliOptions::Action::UsageError:
            std::cerr << "telvar-verify: " << options.error << "\n\n" << usageText();
            return 2;
        case CliOptions::Action::Verify: break;
    }

    ProgressBar bar(stderr);
    std::vector<FileReport> reports;
    bool allVerified = true;
    for (const std::string& path : options.files) {
        bar.start(printable(baseName(path)));
        FileReport report{path, verifyRecording(path, &ProgressBar::report, &bar)};
        bar.finish();
        allVerified = allVerified && report.verdict.code == RECORDING_OK;
        if (!options.json) {
            std::cout << textLine(report) << std::endl;
        }
        reports.push_back(std::move(report));
    }
    if (options.json) {
        std::cout << jsonReport(reports) << std::endl;
    }
    return allVerified ? 0 : 1;
}
