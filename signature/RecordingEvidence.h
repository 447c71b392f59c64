#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "container/iReader.h"
#include "signature/RecordingVerifier.h"

// The evidence behind a verdict: every cluster of the chain mapped, its
// failures placed in the file and in time, and what the signatures prove.
// Nothing here changes the verdict: the first failure in file order decides
// it, exactly as in RecordingVerdict. Times come from the clusters'
// Timecodes and the recorder tag's texts, which no signature covers; every
// consumer labels them as stated by the file.

enum class ClusterStatus : uint8_t {
    Verified,    // its signature holds with the chain key
    Mismatch,    // its signature does not hold with the chain key
    Unsigned,    // no usable signature element, or nothing follows it
    Error,       // the walk ended here with an exception (errorText)
    NotChecked,  // after an error or a cancel, or past the end of the walk
};

// Stable lower-case code: "verified", "mismatch", "unsigned", "error", "not-checked".
const char* clusterStatusCode(ClusterStatus status);

// One cluster as the walk met it. Compact: a recording of 24 hours in
// one-second clusters has 86,400 of them.
struct ClusterEntry {
    int64_t number = 0;  // from 1, in file order
    int64_t headerOffset = -1;
    int64_t size = 0;          // the whole element, header included
    int64_t signedStart = -1;  // [signedStart, signedEnd); -1 without a usable signature
    int64_t signedEnd = -1;
    // Timecode × TimecodeScale in seconds from the start of the recording;
    // none without a Timecode element. Stated by the file, never signed.
    std::optional<double> seconds;
    // Key trials for a failing cluster: the number of the cluster whose
    // stored value verifies it, 0 for the built-in key, -1 none found,
    // -2 not tried (budget spent or nothing to try).
    int64_t keyedBy = -2;
    uint8_t kind = 0;  // 1 RSA, 2 HMAC, 0 none
    uint8_t digestType = 0;
    ClusterStatus status = ClusterStatus::NotChecked;
};

// Consecutive clusters of one status.
struct ClusterRun {
    ClusterStatus status = ClusterStatus::NotChecked;
    int64_t firstCluster = 0;
    int64_t lastCluster = 0;
    int64_t startOffset = -1;  // first cluster's header
    int64_t endOffset = -1;    // last cluster's end
    std::optional<double> startSeconds;
    std::optional<double> endSeconds;  // start of the next cluster, or the last one's estimated end
};

// What happened, in plain words, with a stable code for machines.
struct Finding {
    std::string code;          // e.g. "content-altered"; see docs/report-format.md
    std::string text;          // one or two sentences for an investigator
    int64_t firstCluster = 0;  // 0: not about clusters
    int64_t lastCluster = 0;
    std::optional<double> seconds;  // where in time it starts, from the recording's start
};

// A check on the unsigned times; never changes the verdict.
struct TimelineWarning {
    std::string code;
    std::string text;
};

// The recorder tag as stated, whether or not its signature held.
struct TagStatement {
    bool present = false;
    int64_t offset = -1;
    uint8_t kind = 0;  // of its signature element; 0 none
    uint8_t digestType = 0;
    bool verified = false;  // its own signature held with the built-in key
    // Byte for byte as in the file, whatever the verdict.
    std::string serialNumber;
    std::string startTime;
    std::string endTime;
};

// Which keys signed the recording and what that proves.
struct Provenance {
    uint8_t tagKind = 0;  // 1 RSA, 2 HMAC, 0 none
    uint8_t firstClusterKind = 0;
    std::vector<std::string> statements;  // plain sentences
};

struct CoveragePart {
    std::string name;  // "EBML header", "SeekHead", "Info", ..., "cluster headers"
    int64_t bytes = 0;
    int64_t count = 0;
};

struct Coverage {
    int64_t fileSize = 0;
    int64_t signedBytes = 0;    // in ranges whose signature was checked
    int64_t verifiedBytes = 0;  // of those, in ranges that verified
    std::vector<CoveragePart> unsignedParts;
    std::string statement;  // plain sentence
};

// Who the file is, for the case file.
struct FileIdentity {
    std::string path;
    int64_t size = -1;
    std::string modifiedUtc;  // "YYYY-MM-DDThh:mm:ssZ"
    std::string sha256;       // lower-case hex of every byte; empty when not taken
    std::string error;        // why the identity could not be taken
};

struct FirstFailure {
    int64_t cluster = 0;  // 0: the tag or the chain's end, not a cluster
    int64_t offset = -1;
    std::optional<double> seconds;
    std::string wallClock;  // empty when the tag's start time does not parse
};

struct RecordingEvidence {
    RecordingVerdict verdict;  // unchanged by everything below
    FileIdentity identity;
    TagStatement tag;
    Provenance provenance;
    Coverage coverage;
    int64_t clusterCount = 0;
    std::optional<double> medianClusterSeconds;
    std::vector<ClusterRun> runs;
    std::vector<Finding> findings;
    std::vector<TimelineWarning> warnings;
    std::optional<FirstFailure> firstFailure;
    // Every cluster, only when asked for (ExamineOptions::keepClusters).
    std::vector<ClusterEntry> clusters;
};

struct ExamineOptions {
    bool keepClusters = false;  // fill RecordingEvidence::clusters
    bool fileHash = true;       // SHA-256 of the whole file, beside the walk
    int threads = 1;            // threads for the clusters' signatures
};

// The verdict and its evidence. Never throws; the verdict is the one
// verifyRecording gives for the same file.
RecordingEvidence examineRecording(const std::string& path, const ExamineOptions& options = {},
                                   ProgressCallback progress = nullptr, void* context = nullptr,
                                   const std::atomic<bool>* cancel = nullptr);

// The same over bytes from any source, such as memory (tests, fuzzing):
// no file hash, one thread; the identity has no path.
RecordingEvidence examineSource(std::unique_ptr<nvr::iReader> source,
                                const ExamineOptions& options = {});

// "YYYY-MM-DD hh:mm:ss" of `startTime` plus `seconds`, or empty when the
// start time does not read as that form.
std::string wallClockAt(const std::string& startTime, double seconds);
// A tag time "YYYY-MM-DD hh:mm:ss" as seconds since 1970 (the zone is
// whatever the recorder used), or none when it does not read as that form.
std::optional<int64_t> tagTimeSeconds(const std::string& text);
// Seconds from the recording's start as "hh:mm:ss" (hours may pass 24).
std::string clockText(double seconds);
// A short duration such as "1 s" or "0.04 s".
std::string durationText(double seconds);
