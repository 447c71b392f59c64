#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/ReportContext.h"

// An archive run (docs/archive-runs.md): a folder holding the run's plan,
// its shards (the inventory cut into tasks) and each task's results.
//   RUN/plan.json            the run's id, roots, options and totals
//   RUN/shards/NNNNN         one task's files, a JSON line each after a header
//   RUN/results/NNNNN.jsonl  that task's results, renamed into place whole

// One file of the inventory as the file system named it when planned.
struct InventoryEntry {
    std::string path;  // bytes, absolute and lexically normal (as a case keeps it)
    int64_t size = 0;
    int64_t mtimeNs = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
};

// A shard as a task reads it.
struct Shard {
    std::string runId;
    int64_t number = 0;
    // What the run was planned with: a task on another build or keys refuses.
    std::string keysSha256;
    std::string build;
    std::vector<InventoryEntry> files;
};

// Where a task or the merge is: the host and the scheduler's job and task
// (Slurm's array job and task, or GNU parallel's run and job slot).
struct TaskPlace {
    std::string host;
    std::string scheduler;  // "slurm", "parallel" or "none"
    std::string job;
    std::string task;
};

// The keys a run verifies with, as its outputs name them: the built-in
// keys, the key store in use (or none) and the validation time when one is
// given, which all change verdicts. The run id holds it, and a task or a
// merge with other keys refuses the run.
std::string runKeysOf(const ReportContext& run);

// This process's place, from the environment Slurm or GNU parallel set.
TaskPlace currentTaskPlace();

// "00042": shard and result file names sort as numbers.
std::string shardName(int64_t number);
std::string shardPath(const std::string& runFolder, int64_t number);
std::string resultPath(const std::string& resultsFolder, int64_t number);

// The header and file lines of a shard file, and reading one back; a file
// that is not a shard is none, with `error` saying why.
std::string shardText(const Shard& shard);
std::optional<Shard> readShard(const std::string& path, std::string& error);

// Writes `text` to `path` through a temporary file beside it that is synced
// and then renamed, so a reader sees the whole file or none. False with
// `error` set when it could not.
bool writeWhole(const std::string& path, const std::string& text, std::string& error);
