#include "cli/ArchiveActions.h"

#include <iostream>
#include <optional>

#include "casefile/ArchivePlan.h"
#include "casefile/ArchiveShard.h"
#include "casefile/CaseError.h"
#include "cli/CaseRun.h"
#include "cli/ExitStatus.h"
#include "cli/KeysCommand.h"
#include "cli/SealOnSignal.h"
#include "report/Escape.h"
#include "report/ReportContext.h"

namespace {

constexpr int kCannotWork = 4;
constexpr int kResultsMissing = 5;

// The build a run verifies with, as its outputs name it.
std::string buildOf(const ReportContext& run) {
    return run.version + " " + run.build;
}

void printLines(const char* what, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::cout << what << ": " << line << '\n';
    }
}

}  // namespace

int planArchiveRun(const CliOptions& options) {
    if (!chooseKeys(options)) {
        return kUsage;
    }
    const ReportContext run = currentReportContext("telvar-verify", options.examiner, "");
    PlanRequest request;
    request.roots = options.files;
    request.runFolder = options.stillOut;
    request.shardBytes = options.shardBytes;
    request.shardFiles = options.shardFiles;
    request.olderThanDays = options.olderThanDays;
    request.caseFile = options.caseFile;
    request.keysSha256 = runKeysOf(run);
    request.build = buildOf(run);
    const PlanResult result = planRun(request);
    for (const std::string& line : result.skipped) {
        std::cerr << "telvar-verify: not in the run: " << line << '\n';
    }
    if (!result.error.empty()) {
        std::cerr << "telvar-verify: " << displayText(result.error) << '\n';
        return kCannotWork;
    }
    std::cout << (result.alreadyPlanned ? "Already planned: run " : "Planned run ") << result.runId
              << ": " << result.files << " files, " << result.bytes << " bytes, " << result.shards
              << " shards (0-" << (result.shards > 0 ? result.shards - 1 : 0) << ") in "
              << displayText(options.stillOut) << '\n';
    return 0;
}

int verifyShard(const CliOptions& options) {
    // A node without the run's key store cannot do its work: the scheduler
    // retries the task elsewhere, as it does for a node without storage.
    if (!chooseKeys(options)) {
        return kCannotWork;
    }
    ShardRequest request;
    request.shardFile = options.shardFile;
    request.resultsFolder = options.stillOut;
    request.threads = options.jobs > 0 ? options.jobs : 1;
    request.run = currentReportContext("telvar-verify", options.examiner, options.caseReference);
    request.keysSha256 = runKeysOf(request.run);
    request.build = buildOf(request.run);
    const ShardOutcome outcome = runShard(request);
    switch (outcome.state) {
        case ShardOutcome::State::Done:
            std::cout << "Verified " << outcome.files << " files into "
                      << displayText(outcome.resultFile) << '\n';
            return 0;
        case ShardOutcome::State::AlreadyDone:
            std::cout << displayText(outcome.resultFile) << " holds this shard's "
                      << outcome.files << " results already\n";
            return 0;
        case ShardOutcome::State::Failed:
        default:
            std::cerr << "telvar-verify: " << displayText(outcome.error) << '\n';
            return kCannotWork;
    }
}

int mergeArchiveRun(const CliOptions& options) {
    std::unique_ptr<CaseRun> caseRun = CaseRun::open(options, true);
    if (caseRun == nullptr) {
        return kCaseFailed;
    }
    // Interrupted or not, what is stored is sealed; a later merge stores the rest.
    struct Finish {
        CaseRun* run;
        ~Finish() { run->finish(); }
    } finish{caseRun.get()};
    SealOnSignal signals([run = caseRun.get()](int signal) { run->sealAndExit(signal); });
    const ReportContext run = currentReportContext(
        "telvar-verify", options.examiner,
        options.caseReference.empty() ? caseRun->reference() : options.caseReference);
    MergeSummary summary;
    try {
        summary = caseRun->merge(options.mergeRun, run);
    } catch (const CaseError& error) {
        std::cerr << "telvar-verify: " << displayText(options.caseFile) << ": "
                  << displayText(error.what()) << '\n';
        return kCaseFailed;
    }
    if (!summary.error.empty()) {
        std::cerr << "telvar-verify: " << displayText(summary.error) << '\n';
        return kCannotWork;
    }
    printLines("new", summary.added);
    printLines("changed", summary.changed);
    printLines("missing", summary.missing);
    printLines("damaged results", summary.damaged);
    for (const int64_t shard : summary.withoutResults) {
        std::cout << "no results yet: shard " << shard << '\n';
    }
    std::cout << "Merged run " << summary.runId << ": " << summary.stored << " results stored, "
              << summary.storedBefore << " stored before; " << summary.added.size() << " new, "
              << summary.changed.size() << " changed, " << summary.missing.size() << " missing, "
              << summary.notSuccess << " not Success; " << summary.withoutResults.size() << " of "
              << summary.shards << " shards without results\n";
    if (!summary.withoutResults.empty() || !summary.damaged.empty()) {
        return kResultsMissing;
    }
    return summary.notSuccess > 0 || !summary.changed.empty() || !summary.missing.empty() ? 1 : 0;
}
