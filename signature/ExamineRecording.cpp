// One recording from path to verdict and evidence: open, parse, walk, then
// read the walk's map for findings, provenance, coverage and time checks.
#include <algorithm>
#include <ctime>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "container/MkvParser.h"
#include "signature/FileHasher.h"
#include "signature/Findings.h"
#include "signature/Provenance.h"
#include "signature/RecordingEvidence.h"
#include "signature/TimelineChecks.h"
#include "signature/KeysInUse.h"
#include "signature/WalkState.h"

namespace {

std::string textOf(const nvr::ByteBuffer& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

void failWith(RecordingVerdict& verdict, const char* text) {
    verdict.code = VerdictCode::Error;
    verdict.errorText = (text != nullptr && *text != '\0') ? text : "unknown error";
}

// Parsers over the same open file for the extra threads.
std::vector<std::unique_ptr<nvr::MkvParser>> helpersFor(
    const std::shared_ptr<const nvr::RecordingFile>& file, int threads,
    const std::atomic<bool>* cancel) {
    std::vector<std::unique_ptr<nvr::MkvParser>> helpers;
    for (int t = 1; t < threads; ++t) {
        helpers.push_back(std::make_unique<nvr::MkvParser>(file));
        helpers.back()->setCancelFlag(cancel);
    }
    return helpers;
}

// The verdict; any exception ends as code 3 with its text. Helpers are
// opened only once the file has parsed.
// After the metadata failed to read (Cues named past a cut-short end, a
// tag voided in place), the clusters found by scanning the Segment are
// still mapped with their proof, for the evidence only: the verdict stays
// the error.
void mapDespiteError(nvr::MkvParser& parser, const std::atomic<bool>* cancel) {
    if (!parser.parsedSegment().isValid() ||
        (cancel != nullptr && cancel->load(std::memory_order_relaxed))) {
        return;
    }
    try {
        parser.verifySignatures(nullptr, nullptr);
    } catch (...) {
        // What the walk recorded up to here stays.
    }
}

// The trusted keys the walk tries, and the time revocations are judged at.
// Those of `options`, else those of the run; the store is held until the
// walk is over.
std::shared_ptr<const nvr::KeyStore> useKeys(nvr::MkvParser& parser,
                                             const ExamineOptions& options) {
    const nvr::KeysInUse run = nvr::keysInUse();
    std::shared_ptr<const nvr::KeyStore> store = options.keys ? options.keys : run.store;
    const std::optional<int64_t> at =
        options.validationTime ? options.validationTime : run.validationTime;
    nvr::WalkState& state = nvr::WalkState::of(parser);
    state.store = store.get();
    state.validationTime = at ? *at : static_cast<int64_t>(std::time(nullptr));
    return store;
}

std::optional<SigningKey> signingKeyOf(const nvr::WalkEvidence& walk) {
    if (!walk.tagKey) {
        return std::nullopt;
    }
    const nvr::TrustedKey& key = *walk.tagKey;
    SigningKey named{key.id, key.label, nvr::keyKindCode(key.kind),
                     nvr::keyStatusCode(key.status), "inside", key.builtIn};
    if (walk.tagKeyValidity == nvr::KeyValidity::Outside) {
        named.validity = "outside";
    } else if (walk.tagKeyValidity == nvr::KeyValidity::RevokedBefore) {
        named.validity = "revoked";
    }
    return named;
}

template <typename Helpers>
void walk(nvr::MkvParser& parser, Helpers&& openHelpers, ProgressCallback progress, void* context,
          const std::atomic<bool>* cancel, RecordingVerdict& verdict) {
    try {
        parser.setCancelFlag(cancel);
        try {
            parser.parse();
        } catch (...) {
            mapDespiteError(parser, cancel);
            throw;
        }
        const std::vector<std::unique_ptr<nvr::MkvParser>> helpers = openHelpers();
        verdict.code = verdictOf(helpers.empty()
                                     ? parser.verifySignatures(progress, context)
                                     : parser.verifySignaturesParallel(progress, context, helpers));
        verdict.detail = parser.verifyDetail();
        if (verdict.code == VerdictCode::Success) {
            const nvr::TNVRTag& tag = parser.tag();
            verdict.serialNumber = textOf(tag.serialNumber);
            verdict.startTime = textOf(tag.startTime);
            verdict.endTime = textOf(tag.endTime);
        }
    } catch (const std::exception& e) {
        failWith(verdict, e.what());
    } catch (...) {
        failWith(verdict, nullptr);
    }
}

void readMap(const nvr::WalkEvidence& walk, const ExamineOptions& options,
             RecordingEvidence& evidence) {
    evidence.tag = walk.tag;
    evidence.clusterCount = walk.map.count();
    const bool anyProven = std::any_of(walk.map.entries().begin(), walk.map.entries().end(),
                                       [](const ClusterEntry& entry) { return entry.proven; });
    evidence.proofKey = anyProven || walk.map.count() == 0 ? walk.proofKey : ProofKey::None;
    evidence.originProven =
        evidence.verdict.code == VerdictCode::Success && evidence.proofKey == ProofKey::Rsa;
    evidence.signingKey = signingKeyOf(walk);
    evidence.medianClusterSeconds = walk.map.medianDuration();
    evidence.runs = walk.map.runs();
    evidence.provenance = provenanceOf(walk);
    const int64_t fileSize = walk.fileSize >= 0 ? walk.fileSize : evidence.identity.size;
    evidence.coverage = coverageOf(walk, fileSize);
    if (evidence.identity.size < 0) {
        evidence.identity.size = fileSize;
    }
    evidence.findings = findingsOf(walk, evidence);
    evidence.warnings = timelineWarnings(walk, evidence.medianClusterSeconds);
    if (!walk.map.complete()) {
        evidence.warnings.push_back(
            {"map-truncated",
             "The recording has more clusters or runs than the map keeps; past that point "
             "clusters were checked and counted but are not mapped one by one."});
    }
    if (options.keepClusters) {
        evidence.clusters.assign(walk.map.entries().begin(), walk.map.entries().end());
    }
}

std::optional<FirstFailure> firstFailureOf(const nvr::WalkEvidence& walk,
                                           const RecordingEvidence& evidence) {
    if (evidence.verdict.code == VerdictCode::Success ||
        evidence.verdict.code == VerdictCode::NotVerified) {
        return std::nullopt;
    }
    FirstFailure failure;
    const int64_t number = walk.firstFailure != 0 ? walk.firstFailure : walk.errorCluster;
    if (walk.tagResult != VerifyWalkResult::Ok || walk.failedAtTag) {
        failure.offset = walk.tag.offset;
    } else if (walk.unprovenFrames.found()) {
        const nvr::UnprovenFrames& found = walk.unprovenFrames;
        failure.offset = found.clusters > 0 ? found.runs.front().firstOffset : found.stoppedAt;
    } else if (const ClusterEntry* const entry = walk.map.find(number)) {
        failure.cluster = number;
        failure.offset = entry->headerOffset;
        failure.seconds = entry->seconds;
        if (entry->seconds) {
            failure.wallClock = wallClockAt(walk.tag.startTime, *entry->seconds);
        }
    }
    return failure;
}

// The file hash has a thread of its own; the clusters share what is left,
// as a third thread on two cores only makes both wait for each other.
int clusterThreads(const ExamineOptions& options) {
    return options.fileHash && options.threads > 1 ? options.threads - 1 : options.threads;
}

// The walk's map read into `evidence`; never throws.
void summarise(const nvr::MkvParser* parser, const ExamineOptions& options,
               RecordingEvidence& evidence) {
    try {
        const nvr::WalkEvidence empty;
        const nvr::WalkEvidence& walked = parser != nullptr ? parser->walkEvidence() : empty;
        readMap(walked, options, evidence);
        evidence.firstFailure = firstFailureOf(walked, evidence);
    } catch (const std::exception&) {
        // Out of memory while summing up: the verdict stands without its map.
    }
}

}  // namespace

RecordingEvidence examineRecording(const std::string& path, const ExamineOptions& options,
                                   ProgressCallback progress, void* context,
                                   const std::atomic<bool>* cancel) {
    RecordingEvidence evidence;
    evidence.identity.path = path;
    nvr::RecordingFile::Opened opened = nvr::RecordingFile::open(path);
    if (!opened.file) {
        failWith(evidence.verdict, opened.verdictText().c_str());
        if (options.fileHash) {
            evidence.identity.error = opened.identityText();
        }
        summarise(nullptr, options, evidence);
        return evidence;
    }
    const std::shared_ptr<const nvr::RecordingFile> file = std::move(opened.file);
    std::optional<FileHasher> hasher;
    if (options.fileHash) {
        hasher.emplace(
            file, cancel,
            options.sharesCores ? FileHasher::Where::InFinishIfSmall : FileHasher::Where::Beside);
    }
    nvr::MkvParser parser(file);
    const std::shared_ptr<const nvr::KeyStore> keys = useKeys(parser, options);
    walk(
        parser, [&] { return helpersFor(file, clusterThreads(options), cancel); }, progress,
        context, cancel, evidence.verdict);
    if (hasher) {
        evidence.identity = hasher->finish();
    }
    if (!file->unchanged()) {
        // Its verdict and its hash may each be of other bytes: neither stands.
        evidence.verdict = RecordingVerdict();
        failWith(evidence.verdict, kChangedWhileVerified);
        evidence.identity.sha256.clear();
        evidence.identity.error = kChangedWhileVerified;
        summarise(nullptr, options, evidence);
        return evidence;
    }
    summarise(&parser, options, evidence);
    if (options.keepFile) {
        evidence.file = file;
    }
    return evidence;
}

RecordingEvidence examineSource(std::unique_ptr<nvr::iReader> source,
                                const ExamineOptions& options) {
    RecordingEvidence evidence;
    nvr::MkvParser parser(std::move(source));
    const std::shared_ptr<const nvr::KeyStore> keys = useKeys(parser, options);
    walk(
        parser, [] { return std::vector<std::unique_ptr<nvr::MkvParser>>(); }, nullptr, nullptr,
        nullptr, evidence.verdict);
    summarise(&parser, options, evidence);
    evidence.identity.size = evidence.coverage.fileSize;
    return evidence;
}
