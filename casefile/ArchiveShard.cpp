#include "casefile/ArchiveShard.h"

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <new>
#include <nlohmann/json.hpp>

#include "casefile/ArchiveRun.h"
#include "casefile/ArchiveResults.h"
#include "report/Escape.h"
#include "report/JsonReport.h"
#include "signature/RecordingEvidence.h"

namespace {

// Whether the file is still the one the plan listed.
bool asPlanned(const InventoryEntry& entry) {
    struct stat st {};
    return ::lstat(entry.path.c_str(), &st) == 0 && st.st_size == entry.size &&
           static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec ==
               entry.mtimeNs &&
           static_cast<uint64_t>(st.st_dev) == entry.device &&
           static_cast<uint64_t>(st.st_ino) == entry.inode;
}

std::string recordLine(const Shard& shard, size_t item, const TaskPlace& place,
                       const std::string& startedAt, const std::string& endedAt, double seconds,
                       bool planned, const std::string& evidenceLine) {
    std::string line = dumpJson(nlohmann::json{{"runId", shard.runId},
                                               {"shard", shard.number},
                                               {"item", item},
                                               {"host", place.host},
                                               {"scheduler", place.scheduler},
                                               {"job", place.job},
                                               {"task", place.task},
                                               {"startedAt", startedAt},
                                               {"endedAt", endedAt},
                                               {"seconds", seconds},
                                               {"asPlanned", planned}});
    line.pop_back();  // the closing brace: the evidence goes in as printed
    return line + ",\"evidence\":" + evidenceLine + "}\n";
}

}  // namespace

ShardOutcome runShard(const ShardRequest& request) {
    ShardOutcome outcome;
    std::string error;
    const std::optional<Shard> shard = readShard(request.shardFile, error);
    if (!shard) {
        outcome.error = error;
        return outcome;
    }
    if (shard->keysSha256 != request.keysSha256 || shard->build != request.build) {
        outcome.error = displayText(request.shardFile) + " was planned with keys " +
                        displayText(shard->keysSha256) + " and build " + displayText(shard->build) +
                        "; this telvar-verify has keys " + request.keysSha256 + " and build " +
                        request.build +
                        ": run the run's build with its --keys and --validation-time on every node";
        return outcome;
    }
    outcome.resultFile = resultPath(request.resultsFolder, shard->number);
    const ShardResults existing = readShardResults(outcome.resultFile);
    if (existing.state != ShardResults::State::Absent) {
        if (existing.state == ShardResults::State::Complete && existing.runId == shard->runId &&
            existing.shard == shard->number) {
            outcome.state = ShardOutcome::State::AlreadyDone;
            outcome.files = static_cast<int64_t>(existing.records.size());
            return outcome;
        }
        outcome.error = displayText(outcome.resultFile) +
                        " is there and is not this shard's results: " +
                        (existing.problem.empty() ? std::string("another run or shard")
                                                  : existing.problem);
        return outcome;
    }
    try {
        const TaskPlace place = currentTaskPlace();
        const std::string startedAt = utcNowText();
        std::string text = dumpJson(nlohmann::json{{"telvarResults", 1},
                                                   {"runId", shard->runId},
                                                   {"shard", shard->number},
                                                   {"host", place.host},
                                                   {"scheduler", place.scheduler},
                                                   {"job", place.job},
                                                   {"task", place.task},
                                                   {"startedAt", startedAt}}) +
                           "\n";
        ExamineOptions examine;
        examine.threads = request.threads;
        ReportContext run = request.run;
        for (size_t i = 0; i < shard->files.size(); ++i) {
            const InventoryEntry& entry = shard->files[i];
            const bool planned = asPlanned(entry);
            const std::string fileStarted = utcNowText();
            const auto clock = std::chrono::steady_clock::now();
            RecordingEvidence evidence = examineRecording(entry.path, examine);
            if (evidence.identity.path.empty()) {
                evidence.identity.path = entry.path;
            }
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - clock).count();
            run.verifiedAt = utcNowText();
            text += recordLine(*shard, i, place, fileStarted, run.verifiedAt, seconds, planned,
                               jsonLine(evidence, run, false));
        }
        text += dumpJson(nlohmann::json{{"end", true},
                                        {"runId", shard->runId},
                                        {"shard", shard->number},
                                        {"files", shard->files.size()},
                                        {"endedAt", utcNowText()}}) +
                "\n";
        if (!writeWhole(outcome.resultFile, text, error)) {
            outcome.error = error;
            return outcome;
        }
        outcome.files = static_cast<int64_t>(shard->files.size());
        outcome.state = ShardOutcome::State::Done;
    } catch (const std::bad_alloc&) {
        outcome.error = "out of memory";
    }
    return outcome;
}
