#include "casefile/ArchiveMerge.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "casefile/ArchiveResults.h"
#include "casefile/ArchiveRun.h"
#include "casefile/CaseSession.h"
#include "report/Escape.h"
#include "report/JsonDepth.h"
#include "report/JsonEvidence.h"
#include "report/Names.h"
#include "signature/Hex.h"
#include "signature/RecordingVerifier.h"

namespace {

// Results stored in one transaction at most, as a --case-file run does.
constexpr size_t kMostInOneBatch = 500;

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string verdictWord(int64_t code) {
    return code == verdictNumber(VerdictCode::Success) ? "Success" : "Failed";
}

struct Plan {
    std::string runId;
    std::string keysSha256;
    int64_t shards = 0;
    std::vector<std::string> roots;  // bytes
};

bool readPlan(const std::string& runFolder, Plan& plan, std::string& error) {
    const nlohmann::json object = parseStoredJson(fileText(runFolder + "/plan.json"));
    const auto shards = object.is_object() ? object.find("shards") : object.end();
    const auto roots = object.is_object() ? object.find("roots") : object.end();
    if (!object.is_object() || object.value("telvarRun", 0) != 1 || shards == object.end() ||
        !shards->is_number_unsigned() || roots == object.end() || !roots->is_array() ||
        !object.contains("runId") || !object.at("runId").is_string() ||
        !object.contains("keysSha256") || !object.at("keysSha256").is_string()) {
        error = displayText(runFolder) + "/plan.json is missing or is not a run's plan";
        return false;
    }
    plan.runId = object.at("runId").get<std::string>();
    plan.keysSha256 = object.at("keysSha256").get<std::string>();
    plan.shards = shards->get<int64_t>();
    for (const nlohmann::json& root : *roots) {
        if (root.is_object() && root.contains("pathHex") && root["pathHex"].is_string()) {
            if (std::optional<std::string> bytes =
                    bytesOfHex(root["pathHex"].get<std::string>(), HexDigits::LowerCase)) {
                plan.roots.push_back(*bytes);
            }
        }
    }
    return true;
}

bool under(const std::string& path, const std::string& root) {
    return path == root ||
           (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
            (root.back() == '/' || path[root.size()] == '/'));
}

std::string noteText(const std::string& key, const ResultRecord& record) {
    return key + ": verified on " + record.host + " by " + record.scheduler + " job " +
           record.job + (record.task.empty() ? std::string() : " task " + record.task) + ", " +
           record.startedAt + " to " + record.endedAt;
}

// What differs from the recording's previous verification, or nothing.
std::string changeOf(const std::optional<RecordingRow>& before, int64_t code,
                     const RecordedVerification& recorded) {
    std::string change;
    if (before && before->latestCode && *before->latestCode != code) {
        change = verdictWord(*before->latestCode) + " before, " + verdictWord(code) + " now";
    }
    const Fixity fixity = recorded.fixity.state;
    if (fixity == Fixity::Changed || fixity == Fixity::Missing || fixity == Fixity::Unreadable) {
        change += std::string(change.empty() ? "" : "; ") + "fixity " + fixityCode(fixity);
    }
    return change;
}

// A result as its marker note names it once stored: its place, and the
// time and verdict of the verification just before that note.
std::string storedMark(const std::string& key, const std::string& verifiedAt, int64_t code) {
    return key + "\n" + verifiedAt + "\n" + std::to_string(code);
}

// Stores one result unless a merge before did, and notes what changed.
void storeResult(CaseFile& file, const Actor& merger, const ReportContext& run,
                 const std::string& path, const Shard& shard, const ResultRecord& record,
                 std::set<std::string>& stored, MergeSummary& summary) {
    std::optional<StoredEvidence> evidence = evidenceFromJson(record.evidenceJson);
    // The file the plan put at this place, and none other.
    if (!evidence || casePath(evidence->evidence.identity.path) !=
                         shard.files[static_cast<size_t>(record.item)].path) {
        summary.damaged.push_back(displayText(path) + ": item " + std::to_string(record.item) +
                                  " holds no evidence of the file the shard names there");
        return;
    }
    const int64_t code = verdictNumber(evidence->evidence.verdict.code);
    if (code != verdictNumber(VerdictCode::Success)) {
        ++summary.notSuccess;
    }
    const std::string key = resultNoteKey(summary.runId, shard.number, record.item);
    ReportContext when = run;
    when.verifiedAt = evidence->verifiedAt.empty() ? record.endedAt : evidence->verifiedAt;
    const std::string mark = storedMark(key, when.verifiedAt, code);
    if (stored.count(mark) != 0) {
        ++summary.storedBefore;
        return;
    }
    Actor actor = merger;
    actor.host = record.host;  // the host that verified it
    CaseSession session(file, actor, when, false);
    const std::string where = casePath(evidence->evidence.identity.path);
    const std::optional<RecordingRow> before = file.recordingByPath(where);
    const RecordedVerification recorded = session.record(evidence->evidence);
    file.addNote(actor, recorded.recording, noteText(key, record));
    stored.insert(mark);
    ++summary.stored;
    const std::string shown = displayText(where);
    if (!before) {
        summary.added.push_back(shown);
    } else if (const std::string change = changeOf(before, code, recorded); !change.empty()) {
        summary.changed.push_back(shown + ": " + change);
    }
}

}  // namespace

std::string resultNoteKey(const std::string& runId, int64_t shard, int64_t item) {
    return "archive run " + runId + " shard " + shardName(shard) + " item " + std::to_string(item);
}

MergeSummary mergeRun(CaseFile& file, const Actor& merger, const ReportContext& run,
                      const std::string& runFolder, std::mutex* batchLock) {
    MergeSummary summary;
    Plan plan;
    if (!readPlan(runFolder, plan, summary.error)) {
        return summary;
    }
    // The case names the merge's keys beside each verdict the tasks reached.
    if (const std::string keys = runKeysOf(run); keys != plan.keysSha256) {
        summary.error = displayText(runFolder) + " was planned with keys " +
                        displayText(plan.keysSha256) + "; this merge has keys " + keys +
                        ": give it the run's --keys and --validation-time";
        return summary;
    }
    summary.runId = plan.runId;
    summary.shards = plan.shards;
    // Only a note the merge wrote with its verification marks a result
    // stored: a note typed with the same text must not make it skip one.
    std::set<std::string> stored;
    const std::string prefix = "archive run " + plan.runId + " ";
    for (const CaseFile::NoteAfterVerification& note : file.notesAfterVerification(prefix)) {
        stored.insert(storedMark(note.text.substr(0, note.text.find(':')), note.verifiedAt, note.code));
    }
    std::set<std::string> inventory;
    {
        const std::string list = fileText(runFolder + "/files0");
        size_t start = 0;
        for (size_t end; (end = list.find('\0', start)) != std::string::npos; start = end + 1) {
            inventory.insert(list.substr(start, end - start));
        }
    }
    for (int64_t n = 0; n < plan.shards; ++n) {
        const std::string path = resultPath(runFolder + "/results", n);
        const ShardResults results = readShardResults(path);
        if (results.state == ShardResults::State::Absent) {
            summary.withoutResults.push_back(n);
            continue;
        }
        std::string problem = results.problem;
        const std::optional<Shard> shard = readShard(shardPath(runFolder, n), problem);
        if (results.state == ShardResults::State::Damaged || !shard ||
            results.runId != plan.runId || results.shard != n || shard->runId != plan.runId ||
            shard->files.size() != results.records.size()) {
            summary.damaged.push_back(displayText(path) + ": " +
                                      (problem.empty() ? "the results of another run or shard"
                                                       : problem));
            continue;
        }
        for (size_t first = 0; first < results.records.size(); first += kMostInOneBatch) {
            const size_t last = std::min(results.records.size(), first + kMostInOneBatch);
            std::unique_lock<std::mutex> hold;
            if (batchLock != nullptr) {
                hold = std::unique_lock<std::mutex>(*batchLock);
            }
            Transaction batch = file.batch();
            for (size_t i = first; i < last; ++i) {
                storeResult(file, merger, run, path, *shard, results.records[i], stored, summary);
            }
            batch.commit();
        }
    }
    file.forEachRecording([&](const RecordingRow& row) {
        if (inventory.count(row.path) != 0) {
            return;
        }
        bool inRoots = false;
        for (const std::string& root : plan.roots) {
            inRoots = inRoots || under(row.path, root);
        }
        struct stat st {};
        if (inRoots && ::lstat(row.path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
            summary.missing.push_back(displayText(row.path));
        }
    });
    return summary;
}
