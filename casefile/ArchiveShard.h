#pragma once

#include <string>

#include "report/ReportContext.h"

// One task of a run: `telvar-verify --shard RUN/shards/NNNNN --out RUN/results`.
struct ShardRequest {
    std::string shardFile;
    std::string resultsFolder;
    int threads = 1;  // for each file's clusters
    ReportContext run;  // the verifier block of each result; its time is each file's own
    // This program's keys and build, as --plan names them: a shard planned
    // with others is refused, so one run's results come from one verifier.
    std::string keysSha256;
    std::string build;
};

struct ShardOutcome {
    enum class State { Done, AlreadyDone, Failed };
    State state = State::Failed;
    int64_t files = 0;
    std::string resultFile;
    std::string error;  // why it could not do its work
};

// Verifies every file of the shard and writes one JSON line per file (the
// --jsonl object under "evidence", with the host, the scheduler's job and
// task, the start and end) between a header and an end line, renamed into
// place whole. A hostile, missing or unreadable recording is a result; the
// task fails only when it cannot read its shard or write its results.
// Output already there for the same run is left as it is.
ShardOutcome runShard(const ShardRequest& request);
