#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One file's result as a task wrote it (RUN/results/NNNNN.jsonl).
struct ResultRecord {
    int64_t item = 0;  // its place in the shard, from 0
    std::string host;
    std::string scheduler;
    std::string job;
    std::string task;
    std::string startedAt;
    std::string endedAt;
    std::string evidenceJson;  // the --jsonl object, byte for byte as the task printed it
};

// A task's results file read back: whole (a header, a record per file of
// the shard, an end line), absent, or not such a file.
struct ShardResults {
    enum class State { Absent, Complete, Damaged };
    State state = State::Absent;
    std::string runId;
    int64_t shard = -1;
    std::vector<ResultRecord> records;
    std::string problem;  // for Damaged
};

ShardResults readShardResults(const std::string& path);
