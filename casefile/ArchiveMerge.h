#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "casefile/CaseFile.h"
#include "report/ReportContext.h"

// What a merge did and found (docs/archive-runs.md).
struct MergeSummary {
    std::string runId;
    int64_t shards = 0;
    int64_t stored = 0;         // results stored by this merge
    int64_t storedBefore = 0;   // results of this run a merge before stored
    int64_t notSuccess = 0;     // results of the run, stored now or before, other than Success
    std::vector<int64_t> withoutResults;  // shards no task has finished: resubmit them
    std::vector<std::string> damaged;     // results that could not be read, a line each
    std::vector<std::string> added;       // recordings new to the case
    std::vector<std::string> changed;     // verdict or bytes other than at the previous run
    std::vector<std::string> missing;     // recordings of the case under the roots, now gone
    std::string error;  // the plan is unreadable or has other keys: nothing merged
};

// Stores the results of the run in `runFolder` into the case as
// --case-file would store them: each verification's custody event names
// the host that verified the file, and a note beside it the run, the
// scheduler's job and task and its start and end. A result whose note is
// in the case already, written with its verification (a typed note does
// not count), is not stored again, so merging twice stores once, and a
// merge cut short is finished by the next. A run planned with other keys
// (runKeysOf) is refused with `error` set. `batchLock`, when given,
// is held for each transaction, so a seal on a signal comes between two.
// Throws CaseError.
MergeSummary mergeRun(CaseFile& file, const Actor& merger, const ReportContext& run,
                      const std::string& runFolder, std::mutex* batchLock = nullptr);

// "archive run ID shard 00003 item 7": the start of a stored result's note.
std::string resultNoteKey(const std::string& runId, int64_t shard, int64_t item);
