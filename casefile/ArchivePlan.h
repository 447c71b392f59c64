#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "casefile/ArchiveRun.h"

// What `telvar-verify --plan` was asked for.
struct PlanRequest {
    std::vector<std::string> roots;  // folders (their .mkv files, recursively) or files
    std::string runFolder;
    int64_t shardBytes = 0;  // a shard holds at most this many bytes (or one larger file)
    int64_t shardFiles = 0;  // and at most this many files
    // Only recordings whose latest verification in `caseFile` is older
    // than this many days (or that it has never verified).
    std::optional<int64_t> olderThanDays;
    std::string caseFile;
    // The keys' hash and the build, as the run's outputs name them.
    std::string keysSha256;
    std::string build;
};

struct PlanResult {
    std::string runId;
    int64_t files = 0;
    int64_t bytes = 0;
    int64_t shards = 0;
    bool alreadyPlanned = false;  // the folder holds this very run already
    // Entries the walk could not look into or at, a line each with its
    // reason: the run does not cover them.
    std::vector<std::string> skipped;
    std::string error;  // the run was not planned, and why
};

// The inventory in path order, what it skipped added to `skipped`.
std::vector<InventoryEntry> takeInventory(const std::vector<std::string>& roots,
                                          std::vector<std::string>& skipped);

// The run's id: the SHA-256 of its inventory, keys, build and options.
std::string runIdOf(const PlanRequest& request, const std::vector<InventoryEntry>& files);

// The inventory cut in path order into shards of at most the request's bytes and files.
std::vector<std::vector<InventoryEntry>> cutIntoShards(std::vector<InventoryEntry> files,
                                                       int64_t shardBytes, int64_t shardFiles);

// Takes the inventory, writes the shards, the list of files and the plan
// (last: a folder without plan.json holds no run). A folder that holds
// another run is refused.
PlanResult planRun(const PlanRequest& request);
