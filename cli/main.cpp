// telvar-verify: the headless verifier for batch and scripted use.
#include <sys/stat.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

#include "cli/BatchVerifier.h"
#include "cli/CliOptions.h"
#include "cli/ProgressBar.h"
#include "cli/ReportWriter.h"
#include "cli/VerdictFormat.h"
#include "report/CsvReport.h"
#include "report/HtmlReport.h"
#include "report/JsonReport.h"
#include "report/Names.h"
#include "report/ReportContext.h"
#include "signature/Sha256.h"
#include "video/ReportPictures.h"

namespace {

constexpr int kReportNotWritten = 3;

// Whether the report would land on one of the recordings: a slip of the
// command line must never replace the evidence.
bool overwritesInput(const CliOptions& options) {
    struct stat report {};
    if (::stat(options.reportPath.c_str(), &report) != 0) {
        return false;
    }
    for (const std::string& file : options.files) {
        struct stat input {};
        if (::stat(file.c_str(), &input) == 0 && input.st_dev == report.st_dev &&
            input.st_ino == report.st_ino) {
            return true;
        }
    }
    return false;
}

// Writes the HTML report and says where, with the report's own SHA-256 for
// the case file; on standard error when standard output carries JSON or CSV.
bool finishReport(ReportWriter& writer, const CliOptions& options,
                  const std::vector<RecordingEvidence>& files, const ReportContext& run,
                  const HtmlReportOptions& reportOptions) {
    const std::string html = htmlReport(files, run, reportOptions);
    if (!writer.commit(html)) {
        std::cerr << "telvar-verify: cannot write the report " << printable(options.reportPath)
                  << ": " << writer.error() << '\n';
        return false;
    }
    std::ostream& out = options.json || options.jsonLines || options.csv ? std::cerr : std::cout;
    out << "Report written to " << printable(options.reportPath) << " (SHA-256 "
        << sha256Hex(html.data(), html.size()) << ")" << std::endl;
    return true;
}

// The report's writer, opened before a long batch so a bad path fails at
// once; null without --report, or with `status` set when it cannot be.
std::unique_ptr<ReportWriter> openReport(const CliOptions& options, int& status) {
    if (options.reportPath.empty()) {
        return nullptr;
    }
    if (overwritesInput(options)) {
        std::cerr << "telvar-verify: the report " << printable(options.reportPath)
                  << " would replace a file to verify\n";
        status = 2;
        return nullptr;
    }
    auto writer = std::make_unique<ReportWriter>(options.reportPath);
    if (!writer->ready()) {
        std::cerr << "telvar-verify: cannot write the report " << printable(options.reportPath)
                  << ": " << writer->error() << '\n';
        status = kReportNotWritten;
        return nullptr;
    }
    return writer;
}

int verify(const CliOptions& options) {
    const ReportContext run =
        currentReportContext("telvar-verify", options.examiner, options.caseReference);
    int status = 0;
    const std::unique_ptr<ReportWriter> writer = openReport(options, status);
    if (status != 0) {
        return status;
    }
    ExamineOptions examine;
    // The report's pictures need each file's cluster map; it is dropped
    // again once they are taken, unless asked for.
    examine.keepClusters = options.clusters || writer != nullptr;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    const BatchVerifier verifier(options.jobs > 0 ? options.jobs : (cores > 0 ? cores : 1),
                                 examine);
    const bool keep = options.json || writer != nullptr;  // --jsonl keeps nothing
    ProgressBar bar(stderr);
    std::vector<RecordingEvidence> kept;
    HtmlReportOptions reportOptions;
    bool allVerified = true;
    size_t started = 0;
    if (options.csv) {
        std::cout << csvLine(csvTitles());
    }
    bar.start(printable(baseName(options.files[0])));
    verifier.run(
        options.files,
        [&](RecordingEvidence&& evidence) {
            bar.finish();
            allVerified = allVerified && evidence.verdict.code == RECORDING_OK;
            if (options.jsonLines) {
                std::cout << jsonLine(evidence, run, options.clusters) << std::endl;
            } else if (options.csv) {
                const CsvRow row{&evidence, fileNameOf(evidence.identity.path),
                                 evidence.identity.path, csvTime(run.verifiedAt)};
                std::cout << csvLine(csvFields(row)) << std::flush;
            } else if (!options.json) {
                std::cout << textLines(evidence) << std::endl;
            }
            if (writer != nullptr) {
                reportOptions.filmstrips.push_back(reportPictures(evidence));
                if (!options.clusters) {
                    evidence.clusters = {};
                }
            }
            if (keep) {
                kept.push_back(std::move(evidence));
            }
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
        std::cout << jsonReport(kept, run, options.clusters) << std::endl;
    }
    if (writer != nullptr && !finishReport(*writer, options, kept, run, reportOptions)) {
        return kReportNotWritten;
    }
    return allVerified ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const CliOptions options = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (options.action) {
        case CliOptions::Action::Help:
            std::cout << usageText();
            return 0;
        case CliOptions::Action::Version:
            std::cout << telvarVersion() << '\n';
            return 0;
        case CliOptions::Action::UsageError:
            std::cerr << "telvar-verify: " << options.error << "\n\n" << usageText();
            return 2;
        case CliOptions::Action::Verify:
            break;
    }
    return verify(options);
}
