#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the command line asked for.
struct CliOptions {
    // Frames: the frame index of one file (--frames); Still: one frame as a
    // PNG with its record (--still N --out FILE).
    // Plan, Shard: an archive run's inventory and one of its tasks
    // (docs/archive-runs.md); the merge is the case action Merge.
    enum class Action { Verify, Help, Version, UsageError, Frames, Still, Keys, Plan, Shard };
    // What to do with --case-file: verify files into it, or one of the
    // case's own actions instead.
    enum class CaseAction { None, Audit, List, Reverify, Merge };

    Action action = Action::Verify;
    bool json = false;
    bool jsonLines = false;  // --jsonl: one object per line as each file finishes
    bool csv = false;        // --csv: a title line, then one line per file as each finishes
    bool clusters = false;   // every cluster in the JSON objects
    std::string reportPath;  // --report: the HTML evidence report, when not empty
    std::string examiner;
    std::string caseReference;
    int jobs = 0;  // 0: one per core
    std::string caseFile;   // --case-file: the .telvarcase to create or append to
    CaseAction caseAction = CaseAction::None;
    std::string expectHead;   // --expect-head N:HASH, with --audit
    std::string reportFile;   // --report-file R, with --audit: a report kept elsewhere
    std::string examinerKey;  // --examiner-key: the signing key's file, instead of the usual place
    std::string filesFrom;  // --files-from: a list of paths, "-" for standard input
    bool nulSeparated = false;  // -0: that list is NUL-separated
    bool frames = false;         // --frames
    std::string stillText;       // --still N, as given
    int64_t stillFrame = 0;      // N, from 1
    std::string stillOut;        // --out: the PNG; its record beside it
    // Archive runs: --plan ROOT... --out RUN, --shard RUN/shards/NNNNN --out
    // RUN/results, --case-file C --merge RUN.
    bool plan = false;
    std::string shardFile;       // --shard
    std::string mergeRun;        // --merge
    std::string shardBytesText;  // --shard-bytes, as given
    std::string shardFilesText;  // --shard-files
    std::string olderThanText;   // --older-than DAYS
    int64_t shardBytes = 32LL << 30;
    int64_t shardFiles = 1000;
    std::optional<int64_t> olderThanDays;
    std::vector<std::string> files;
    // --keys FILE, as often as given: the key stores, instead of the usual
    // places (docs/key-store.md).
    std::vector<std::string> keyStores;
    std::string validationTime;  // --validation-time T, as given
    // `telvar-verify keys ...`: what follows "keys", unparsed.
    std::vector<std::string> keysArguments;
    std::string error;  // for UsageError
};

CliOptions parseCommandLine(const std::vector<std::string>& arguments);

const char* usageText();
