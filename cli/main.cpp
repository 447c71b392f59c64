// telvar-verify: the headless verifier for batch and scripted use.
#include <cstdio>
#include <iostream>
#include <thread>
#include <vector>

#include "cli/BatchVerifier.h"
#include "cli/CliOptions.h"
#include "cli/ProgressBar.h"
#include "cli/VerdictFormat.h"

int main(int argc, char** argv) {
    const CliOptions options = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.action) {
        case CliOptions::Action::Help:
            std::cout << usageText();
            return 0;
        case CliOptions::Action::Version:
            std::cout << TELVAR_VERSION << '\n';
            return 0;
        case CliOptions::Action::UsageError:
            std::cerr << "telvar-verify: " << options.error << "\n\n" << usageText();
            return 2;
        case CliOptions::Action::Verify:
            break;
    }

    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    const BatchVerifier verifier(options.jobs > 0 ? options.jobs : (cores > 0 ? cores : 1));
    ProgressBar bar(stderr);
    std::vector<FileReport> reports;
    bool allVerified = true;
    size_t started = 0;
    if (!options.files.empty()) {
        bar.start(printable(baseName(options.files[0])));
    }
    verifier.run(
        options.files,
        [&](FileReport&& report) {
            bar.finish();
            allVerified = allVerified && report.verdict.code == RECORDING_OK;
            if (!options.json) {
                std::cout << textLine(report) << std::endl;
            }
            reports.push_back(std::move(report));
            if (++started < options.files.size()) {
                bar.start(printable(baseName(options.files[started])));
            }
        },
        [&](double fraction) { bar.update(fraction); },
        [&](size_t done, size_t total) {
            bar.update(static_cast<double>(done) / static_cast<double>(total));
        });
    bar.finish();
    if (options.json) {
        std::cout << jsonReport(reports) << std::endl;
    }
    return allVerified ? 0 : 1;
}
