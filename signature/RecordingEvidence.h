#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "container/RecordingFile.h"
#include "container/iReader.h"
#include "signature/FindingCode.h"
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

// What roots the proof of a recording: the recorder tag's signature over its
// fields, final value included. Anyone can recompute a cluster's link from
// the values stored in the file, so only what the tag's signed final value
// reaches back to is proven. Under an RSA tag that takes the recorder's
// private key; under an HMAC tag it takes the key every copy of this
// program holds, so it shows integrity against someone without the program,
// not origin.
enum class ProofKey : uint8_t {
    None,  // nothing is proven
    Rsa,
    Hmac,
};

// "rsa", "hmac", or null for None.
const char* proofKeyCode(ProofKey key);

// How far a cluster's standing goes, for colours and words: a link that
// holds is not proof; proof under an HMAC tag is not proof of origin.
enum class ClusterStanding : uint8_t {
    Proven,       // tied to the tag's signed final value, under an RSA tag
    Sealed,       // tied to it under an HMAC tag: the program's own key
    LinkHolds,    // its signature holds, but nothing ties it to the tag
    OutOfPlace,   // proven bytes through a key trial: the recorder's, elsewhere
    Failing,      // mismatch, unsigned or error
    NotChecked,
};

// Stable codes: "proven", "sealed", "link-holds", "out-of-place", "failing", "not-checked".
const char* clusterStandingCode(ClusterStanding standing);

// A stored value in a fixed size, to match clusters that store the same value
// without keeping every value: the first 16 bytes of its SHA-256, so that a
// forger would need a second preimage to pass one value off as another.
using ValueId = std::array<uint8_t, 16>;

// What the key trials found for a cluster its chain key did not verify.
struct KeyTrial {
    enum class Outcome : uint8_t {
        NotTried,   // not tried, or the budget ran out before the farther values
        NoneHolds,  // neither a value stored nearby nor the built-in key verifies it
        Holds,      // a cluster's stored value, or the built-in key, verifies it
    };
    Outcome outcome = Outcome::NotTried;
    // With Holds: the cluster whose stored value verifies it; none for the built-in key.
    std::optional<int64_t> cluster;

    static KeyTrial holdsUnder(std::optional<int64_t> cluster) {
        return KeyTrial{Outcome::Holds, cluster};
    }
    static KeyTrial noneHolds() { return KeyTrial{Outcome::NoneHolds, std::nullopt}; }
    bool heldByBuiltInKey() const { return outcome == Outcome::Holds && !cluster; }
    // The cluster whose stored value verifies it, when one does.
    std::optional<int64_t> heldBy() const {
        return outcome == Outcome::Holds ? cluster : std::nullopt;
    }
};

// As the JSON report writes it: -2 not tried, -1 none holds, 0 the built-in
// key, otherwise the number of the cluster.
int64_t keyTrialNumber(const KeyTrial& trial);

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
    // Key trials for a failing cluster.
    KeyTrial keyedBy;
    uint8_t kind = 0;  // 1 RSA, 2 HMAC, 0 none
    uint8_t digestType = 0;
    ClusterStatus status = ClusterStatus::NotChecked;
    // The cluster whose stored value is this one's chain key; 0 the built-in key.
    int64_t keyFrom = 0;
    ValueId valueId{};  // of the stored value; all zero without a usable signature
    // A SimpleBlock or BlockGroup stands before the signature element that
    // counts: a player shows frames that no signature covers.
    bool unsignedFrames = false;
    // Tied to the tag's signed final value (see ProofKey).
    bool proven = false;
    // A mismatch that holds under the value of a cluster further back, with
    // only inserted clusters or copies between: it stands in its sealed
    // order (see SealedOrder.h), and stands as a cluster whose link holds.
    bool inSealedOrder = false;
};

// The standing of a cluster, or of a run, in a recording whose proof is
// rooted in `key`: the one decision every output draws and words.
ClusterStanding standingOf(ClusterStatus status, bool proven, bool inSealedOrder, ProofKey key);

// Consecutive clusters of one status, proof and standing.
struct ClusterRun {
    ClusterStatus status = ClusterStatus::NotChecked;
    int64_t firstCluster = 0;
    int64_t lastCluster = 0;
    int64_t startOffset = -1;  // first cluster's header
    int64_t endOffset = -1;    // last cluster's end
    std::optional<double> startSeconds;
    std::optional<double> endSeconds;  // start of the next cluster, or the last one's estimated end
    bool proven = false;
    bool inSealedOrder = false;  // as ClusterEntry::inSealedOrder
};

ClusterStanding standingOf(const ClusterEntry& entry, ProofKey key);
ClusterStanding standingOf(const ClusterRun& run, ProofKey key);

// What happened, in plain words, with a stable code for machines.
struct Finding {
    FindingCode code = FindingCode::FileError;  // always set by whoever makes one
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
    // The field that stands before the tag's signature element, where the
    // reader takes it from ("serial number", "start time", "end time",
    // "final value"); empty when all that are there lie in the signed bytes.
    std::string unsignedField;
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
    int64_t verifiedBytes = 0;  // of those, in ranges that are proven (tag and proven clusters)
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

// The trusted key the recording's tag held under, as the outputs name it
// (docs/key-store.md): never the key's bytes.
struct SigningKey {
    std::string id;
    std::string label;
    std::string kind;      // "rsa", "hmac"
    std::string status;    // "active", "retired", "revoked"
    std::string validity;  // "inside", "outside", "revoked"
    bool builtIn = true;
};

struct RecordingEvidence {
    RecordingVerdict verdict;  // unchanged by everything below
    // What the proof is rooted in, and whether a Success also proves the
    // recording's origin: only under an RSA tag whose fields are signed.
    ProofKey proofKey = ProofKey::None;
    bool originProven = false;
    // With a key store in use: the key the tag held under, if any.
    std::optional<SigningKey> signingKey;
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
    // The file the verdict was read from, still open, only when asked for
    // (ExamineOptions::keepFile): the pictures read these bytes, not
    // whatever the path names by then. Holds a descriptor: drop it once
    // the pictures are taken.
    std::shared_ptr<const nvr::RecordingFile> file;
};

namespace nvr {
class KeyStore;
}

struct ExamineOptions {
    bool keepClusters = false;  // fill RecordingEvidence::clusters
    bool fileHash = true;       // SHA-256 of the whole file
    int threads = 1;            // threads for the clusters' signatures
    // Other files are examined at the same time, one per core: a small
    // file is then hashed after its walk (see FileHasher::Where).
    bool sharesCores = false;
    bool keepFile = false;  // fill RecordingEvidence::file
    // The trusted keys (docs/key-store.md); null: the built-in keys only.
    std::shared_ptr<const nvr::KeyStore> keys;
    // Seconds since 1970 (UTC) that revocations are judged against; with
    // none, the clock's now.
    std::optional<int64_t> validationTime;
};

// The error of a file whose bytes changed between its open and its verdict.
constexpr const char* kChangedWhileVerified = "the file changed while it was verified";

// The verdict and its evidence. Never throws; the verdict is the one
// verifyRecording gives for the same file. The file is opened once, and
// the walk, its threads and the hash all read that one open file; one that
// changed meanwhile (its size, times or inode, or what its path names)
// ends as an error, kChangedWhileVerified, with no verdict, hash or map.
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
// Whether any finding of the recording has this code.
bool hasFinding(const RecordingEvidence& evidence, FindingCode code);
