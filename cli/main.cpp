// telvar-verify: the headless verifier for batch and scripted use.
#include <sys/stat.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "casefile/CaseError.h"
#include "cli/ArchiveActions.h"
#include "cli/BatchVerifier.h"
#include "cli/CaseRun.h"
#include "cli/CliOptions.h"
#include "cli/FileList.h"
#include "cli/FrameActions.h"
#include "cli/KeysCommand.h"
#include "cli/ProgressBar.h"
#include "cli/ReportTarget.h"
#include "cli/ReportWriter.h"
#include "cli/SealOnSignal.h"
#include "cli/VerdictFormat.h"
#include "report/CsvReport.h"
#include "report/Escape.h"
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

// Why the report must not go where it was asked to, or nothing when it may.
std::string refusalOf(const std::string& path) {
    const std::string shown = displayText(path);
    switch (reportTargetOf(path)) {
        case ReportTarget::Absent:
        case ReportTarget::OwnReport:
            return std::string();
        case ReportTarget::Folder:
            return "the report " + shown + " is a folder; give the report's file name";
        case ReportTarget::Unreadable:
            return shown +
                   " already exists and cannot be read to tell whether it is a report of "
                   "telvar-verify; it is left as it is";
        case ReportTarget::OtherFile:
        default:
            return shown +
                   " already exists and is not an evidence report of telvar-verify or "
                   "telvar-authenticator; it is left as it is (remove it or choose another name)";
    }
}

// Writes the HTML report and says where, with the report's own SHA-256 for
// the case file; on standard error when standard output carries JSON or CSV.
bool finishReport(ReportWriter& writer, const CliOptions& options,
                  const std::vector<RecordingEvidence>& files, const ReportContext& run,
                  const HtmlReportOptions& reportOptions, std::string* sha256 = nullptr) {
    const std::string html = htmlReport(files, run, reportOptions);
    // Looked at again: something else may have taken the place during the batch.
    const std::string refusal = refusalOf(options.reportPath);
    if (!refusal.empty()) {
        std::cerr << "telvar-verify: " << refusal << '\n';
        return false;
    }
    if (!writer.commit(html)) {
        std::cerr << "telvar-verify: cannot write the report " << displayText(options.reportPath)
                  << ": " << writer.error() << '\n';
        return false;
    }
    std::ostream& out = options.json || options.jsonLines || options.csv ? std::cerr : std::cout;
    const std::string hash = sha256Hex(html.data(), html.size());
    out << "Report written to " << displayText(options.reportPath) << " (SHA-256 " << hash << ")"
        << std::endl;
    if (sha256 != nullptr) {
        *sha256 = hash;
    }
    return true;
}

// The report's writer, opened before a long batch so a bad path fails at
// once; null without --report, or with `status` set when it cannot be.
std::unique_ptr<ReportWriter> openReport(const CliOptions& options, int& status) {
    if (options.reportPath.empty()) {
        return nullptr;
    }
    if (overwritesInput(options)) {
        std::cerr << "telvar-verify: the report " << displayText(options.reportPath)
                  << " would replace a file to verify\n";
        status = 2;
        return nullptr;
    }
    const std::string refusal = refusalOf(options.reportPath);
    if (!refusal.empty()) {
        std::cerr << "telvar-verify: " << refusal << '\n';
        status = kReportNotWritten;
        return nullptr;
    }
    auto writer = std::make_unique<ReportWriter>(options.reportPath);
    if (!writer->ready()) {
        std::cerr << "telvar-verify: cannot write the report " << displayText(options.reportPath)
                  << ": " << writer->error() << '\n';
        status = kReportNotWritten;
        return nullptr;
    }
    return writer;
}

int verify(const CliOptions& options, CaseRun* caseRun) {
    const ReportContext run = currentReportContext(
        "telvar-verify", options.examiner,
        options.caseReference.empty() && caseRun != nullptr ? caseRun->reference()
                                                            : options.caseReference);
    if (caseRun != nullptr) {
        caseRun->start(run, options);
    }
    int status = 0;
    const std::unique_ptr<ReportWriter> writer = openReport(options, status);
    if (status != 0) {
        return status;
    }
    ExamineOptions examine;
    // The report's pictures need each file's cluster map; it is dropped
    // again once they are taken, unless asked for.
    examine.keepClusters = options.clusters || writer != nullptr;
    // The pictures are read from the file the verdict was, held open until then.
    examine.keepFile = writer != nullptr;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    // With a case, the results ready together are stored in one transaction.
    const BatchVerifier verifier(options.jobs > 0 ? options.jobs : (cores > 0 ? cores : 1), examine,
                                 caseRun != nullptr ? kMostInOneTransaction : 1);
    const bool keep = options.json || writer != nullptr;  // --jsonl keeps nothing
    ProgressBar bar(stderr);
    std::vector<RecordingEvidence> kept;
    std::vector<std::string> keptAt;  // each kept file's time of verification
    HtmlReportOptions reportOptions;
    bool allVerified = true;
    size_t started = 0;
    if (options.csv) {
        std::cout << csvLine(csvTitles());
    }
    const auto show = [&](RecordingEvidence& evidence, const std::string& caseLine,
                          const std::string& verifiedAt) {
        allVerified = allVerified && evidence.verdict.code == VerdictCode::Success;
        if (options.jsonLines) {
            ReportContext fileRun = run;
            fileRun.verifiedAt = verifiedAt;  // as the case stored it
            std::cout << jsonLine(evidence, fileRun, options.clusters) << std::endl;
        } else if (options.csv) {
            // With a case, the head as it stands now the line's verification
            // is stored: a line kept elsewhere is a head --expect-head checks.
            ReportContext custody = run;
            if (caseRun != nullptr) {
                try {
                    caseRun->describeHead(custody);
                } catch (const CaseError&) {
                    // The line is in the case already: printed without a head
                    // rather than lost; the run's own head follows at its end.
                    custody.custodyEvents.reset();
                }
            }
            const CsvRow row{&evidence,
                             fileNameOf(evidence.identity.path),
                             evidence.identity.path,
                             csvTime(verifiedAt),
                             run.examiner,
                             run.caseReference,
                             caseRun != nullptr ? &custody : nullptr};
            std::cout << csvLine(csvFields(row)) << std::flush;
        } else if (!options.json) {
            std::cout << textLines(evidence) << caseLine << std::endl;
        }
        if (writer != nullptr) {
            reportOptions.filmstrips.push_back(reportPictures(evidence));
            if (!options.clusters) {
                evidence.clusters = {};
            }
        }
        evidence.file.reset();
        if (keep) {
            kept.push_back(std::move(evidence));
            keptAt.push_back(verifiedAt);
        }
        ++started;
    };
    bar.start(displayText(baseName(options.files[0])));
    verifier.run(
        options.files,
        [&](std::vector<RecordingEvidence>& ready) {
            bar.finish();
            if (caseRun != nullptr) {
                // In the case before it is printed: a run killed now loses
                // nothing it has shown.
                caseRun->record(ready, show);
            } else {
                // Each file's own time, as a case would store it.
                const std::string now = utcNowText();
                for (RecordingEvidence& evidence : ready) {
                    show(evidence, std::string(), now);
                }
            }
            if (started < options.files.size()) {
                bar.start(displayText(baseName(options.files[started])));
            }
        },
        [&](double fraction) { bar.update(fraction); },
        [&](size_t done, size_t total) {
            bar.update(static_cast<double>(done) / static_cast<double>(total));
        });
    bar.finish();
    bool reportWritten = true;
    if (writer != nullptr) {
        ReportContext reportRun = run;
        if (caseRun != nullptr) {
            caseRun->addToReport(reportRun, reportOptions, kept);
            // The report names the sealed head and the number of its own
            // export event, which the case records with the report's SHA-256.
            reportWritten = caseRun->exportReport(
                options.reportPath, reportRun,
                [&](const ReportContext& sealedRun) -> std::optional<std::string> {
                    std::string sha256;
                    if (!finishReport(*writer, options, kept, sealedRun, reportOptions, &sha256)) {
                        return std::nullopt;
                    }
                    return sha256;
                });
        } else {
            reportWritten = finishReport(*writer, options, kept, reportRun, reportOptions);
        }
    }
    ReportContext jsonRun = run;
    if (caseRun != nullptr && (options.json || options.jsonLines)) {
        caseRun->finish();
        caseRun->describeHead(jsonRun);
    }
    if (options.json) {
        ReportFiles files = lentFiles(kept);
        files.verifiedAt = [&keptAt](size_t i) { return keptAt[i]; };
        StringSink array;
        writeJsonReport(files, jsonRun, options.clusters, array);
        std::cout << array.text << std::endl;
    }
    if (options.jsonLines && caseRun != nullptr) {
        std::cout << caseRun->headJsonLine() << std::endl;
    }
    if (!reportWritten) {
        return kReportNotWritten;
    }
    return allVerified ? 0 : 1;
}

// The files of the run: those named (or the case's own, for --reverify),
// then those of --files-from. False with the reason printed when there are none.
bool gatherFiles(CliOptions& options) {
    if (!options.filesFrom.empty()) {
        FileList list = readFileList(options.filesFrom, options.nulSeparated);
        if (!list.error.empty()) {
            std::cerr << "telvar-verify: " << list.error << '\n';
            return false;
        }
        options.files.insert(options.files.end(), list.paths.begin(), list.paths.end());
    }
    if (options.files.empty()) {
        std::cerr << "telvar-verify: no file given\n";
        return false;
    }
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

int verifyWithCase(CliOptions options) {
    if (options.caseAction == CliOptions::CaseAction::Audit) {
        return auditCase(options);
    }
    if (options.caseAction == CliOptions::CaseAction::List) {
        return listCase(options);
    }
    if (options.caseAction == CliOptions::CaseAction::Merge) {
        return mergeArchiveRun(options);
    }
    // Refused before the case is opened, which leaves it as it was.
    if (!options.caseFile.empty() && !options.reportPath.empty() &&
        sameFile(options.reportPath, options.caseFile)) {
        std::cerr << "telvar-verify: the report " << displayText(options.reportPath)
                  << " would replace the case file\n";
        return 2;
    }
    std::unique_ptr<CaseRun> caseRun;
    if (!options.caseFile.empty()) {
        caseRun = CaseRun::open(options,
                                options.caseAction != CliOptions::CaseAction::Reverify);
        if (caseRun == nullptr) {
            return kCaseFailed;
        }
    }
    // Whatever the status, a run that opened a case seals it and prints its head.
    struct Finish {
        CaseRun* run;
        ~Finish() {
            if (run != nullptr) {
                run->finish();
            }
        }
    } finish{caseRun.get()};
    // Interrupted or terminated, the run still seals the case and prints
    // its head; set before the verifying threads start, which inherit the
    // blocked signals.
    std::optional<SealOnSignal> signals;
    if (caseRun != nullptr) {
        signals.emplace([run = caseRun.get()](int signal) { run->sealAndExit(signal); });
    }
    if (options.caseAction == CliOptions::CaseAction::Reverify) {
        options.files = caseRun->recordingPaths();
        if (options.files.empty()) {
            std::cerr << "telvar-verify: the case holds no recording to verify\n";
            return 0;
        }
    }
    if (!gatherFiles(options)) {
        return 2;
    }
    try {
        return verify(options, caseRun.get());
    } catch (const CaseError& error) {
        std::cerr << "telvar-verify: " << displayText(options.caseFile) << ": "
                  << displayText(error.what()) << '\n';
        return kCaseFailed;
    }
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
            std::cerr << "telvar-verify: " << displayText(options.error) << "\n\n" << usageText();
            return 2;
        case CliOptions::Action::Keys:
            return keysCommand(options);
        case CliOptions::Action::Frames:
            if (!chooseKeys(options)) {
                return 2;
            }
            return printFrames(options);
        case CliOptions::Action::Still:
            if (!chooseKeys(options)) {
                return 2;
            }
            return writeStill(options);
        case CliOptions::Action::Plan:
            return planArchiveRun(options);
        case CliOptions::Action::Shard:
            return verifyShard(options);
        case CliOptions::Action::Verify:
            break;
    }
    if (!chooseKeys(options)) {
        return 2;
    }
    return verifyWithCase(options);
}
