#include "signature/WalkRecorder.h"

#include <algorithm>
#include <limits>

#include "signature/ClusterCopies.h"
#include "signature/KeyChanges.h"
#include "signature/KeyFindings.h"
#include "signature/Proof.h"
#include "signature/SealedOrder.h"
#include "signature/WalkState.h"

namespace nvr {

namespace {

// All key trials of one walk together hash at most twice the file plus
// this much, so a file of failing clusters still finishes in linear time.
constexpr int64_t kTrialSlackBytes = int64_t{64} << 20;

int64_t trialBudget(iReader* source) {
    const int64_t size = source != nullptr ? source->size() : 0;
    if (size <= 0) {
        return kTrialSlackBytes;
    }
    if (size > (std::numeric_limits<int64_t>::max() - kTrialSlackBytes) / 2) {
        return std::numeric_limits<int64_t>::max();
    }
    return 2 * size + kTrialSlackBytes;
}

}  // namespace

WalkRecorder::WalkRecorder(WalkState& state_, VerifyWalkResult tagResult,
                           ProgressCallback progress_, void* context_)
    : state(state_),
      evidence(state_.evidence),
      result(tagResult),
      progress(progress_),
      context(context_),
      trials(
          trialBudget(state_.source()),
          [this](const SignatureSite& site, const ByteBuffer& signedBytes,
                 const std::vector<const ByteBuffer*>& keys) {
              return state.firstKeyVerifying(site, signedBytes, keys);
          },
          [this](const SignatureSite& site, int64_t limit) {
              return state.signedBytesOf(site, limit);
          },
          [this](int64_t cluster, const KeyTrial& keyedBy) {
              if (ClusterEntry* const entry = evidence.map.find(cluster)) {
                  entry->keyedBy = keyedBy;
              }
          }) {
    evidence.walked = true;
    evidence.segmentHeaderOffset = state.segment().headerOffset;
    evidence.segmentDataOffset = state.segment().dataOffset;
    evidence.segmentEnd = state.segment().endOffset();
}

void WalkRecorder::fail(VerifyWalkResult clusterResult, const ClusterEntry& entry,
                        const std::string& issue) {
    if (result != VerifyWalkResult::Ok) {
        return;  // the first failure in file order decides
    }
    result = clusterResult;
    evidence.firstFailure = entry.number;
    state.elementIssue = issue;
    state.detail = state.clusterIssue(entry.number, entry.headerOffset);
}

void WalkRecorder::recordCoverage(const ClusterEntry& entry) {
    if (entry.signedStart < 0) {
        uncheckedClusterBytes = addOffsets(uncheckedClusterBytes, entry.size);
        ++uncheckedClusters;
        return;
    }
    const int64_t length = entry.signedEnd - entry.signedStart;
    clusterPrefixBytes = addOffsets(clusterPrefixBytes, entry.signedStart - entry.headerOffset);
    evidence.signedBytes = addOffsets(evidence.signedBytes, length);
    if (entry.status == ClusterStatus::Verified) {
        evidence.verifiedBytes = addOffsets(evidence.verifiedBytes, length);
    }
}

void WalkRecorder::record(ScannedCluster&& cluster, VerifyWalkResult clusterResult,
                          const std::string& issue) {
    ClusterEntry& entry = cluster.entry;
    if (cluster.site.status != VerifyWalkResult::Ok) {
        entry.status = ClusterStatus::Unsigned;
        fail(VerifyWalkResult::Unsigned, entry, cluster.site.issue);
    } else if (clusterResult == VerifyWalkResult::Ok) {
        entry.status = ClusterStatus::Verified;
    } else {
        entry.status = ClusterStatus::Mismatch;
        fail(VerifyWalkResult::Mismatch, entry, issue);
    }
    if (entry.unsignedFrames && evidence.firstUnsignedFrames == 0) {
        evidence.firstUnsignedFrames = entry.number;
        evidence.unsignedFrameOffset = cluster.site.unsignedFrameAt;
    }
    if (cluster.site.status == VerifyWalkResult::Ok &&
        cluster.site.value == state.segment().tag.finalSignature) {
        evidence.finalValueAt = entry.number;
    }
    recordCoverage(entry);
    evidence.map.add(entry);
    trials.add(cluster, entry.status);
    if (progress != nullptr) {
        progress(static_cast<double>(entry.headerOffset) / static_cast<double>(evidence.segmentEnd),
                 context);
    }
}

void WalkRecorder::stop(std::exception_ptr error, const ScannedCluster* cluster,
                        const SegmentScan& scan) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        evidence.walkError = e.what();
    } catch (...) {
        evidence.walkError = "unknown error";
    }
    int64_t nextCluster = scan.clusters() + 1;
    int64_t uncheckedFrom = scan.position();
    if (cluster != nullptr) {
        ClusterEntry entry = cluster->entry;
        entry.status = ClusterStatus::Error;
        evidence.errorCluster = entry.number;
        recordCoverage(entry);
        evidence.map.add(entry);
        nextCluster = entry.number + 1;
        // The parallel walk may have scanned further; what counts is where
        // the sequential walk stood.
        uncheckedFrom = entry.headerOffset + entry.size;
    }
    evidence.map.endEarly(nextCluster, uncheckedFrom, scan.end());
    if (result == VerifyWalkResult::Ok) {
        close(scan);
        std::rethrow_exception(error);
    }
}

VerifyWalkResult WalkRecorder::finish(const SegmentScan& scan) {
    close(scan);
    if (result == VerifyWalkResult::Ok) {
        result = state.finishChain(scan.chainEnd(), scan.clusters());
    }
    if (result == VerifyWalkResult::Ok) {
        result = outsideTheSignatures();
    }
    if (result == VerifyWalkResult::Ok) {
        result = outsideTheProof();
    }
    if (signedByUntrustedKey(evidence)) {
        state.detail = std::string(kNotTrusted) + ": the recorder tag at offset " +
                       std::to_string(evidence.tag.offset) +
                       " holds under no trusted key, and the recording's own chain is consistent";
    }
    return result;
}

// Every signature may hold and the recording still carry what none covers:
// a tag field the reader takes from before the tag's signature element (so
// the chain's end is unsigned), or frames before a cluster's signature
// element (which players show). Either makes a Success not signed; the tag
// decides first, then the first such cluster in file order.
VerifyWalkResult WalkRecorder::outsideTheSignatures() {
    if (!evidence.tag.unsignedField.empty()) {
        evidence.failedAtTag = true;
        state.detail = "recorder tag at offset " + std::to_string(evidence.tag.offset) + ": its " +
                       evidence.tag.unsignedField +
                       " stands before its signature element, outside the signed bytes";
        return VerifyWalkResult::Unsigned;
    }
    if (evidence.firstUnsignedFrames == 0) {
        return VerifyWalkResult::Ok;
    }
    const ClusterEntry* const entry = evidence.map.find(evidence.firstUnsignedFrames);
    evidence.firstFailure = evidence.firstUnsignedFrames;
    state.elementIssue = "a frame at offset " + std::to_string(evidence.unsignedFrameOffset) +
                         " stands before its signature element, outside the signed bytes";
    state.detail = state.clusterIssue(evidence.firstUnsignedFrames,
                                      entry != nullptr ? entry->headerOffset : -1);
    return VerifyWalkResult::Unsigned;
}

// What plays is what is proven: a player also reads clusters past the
// Segment's declared end, in a further Segment, or wherever it finds a
// Cluster ID. Any frame outside the proven clusters' signed bytes makes a
// Success not signed.
VerifyWalkResult WalkRecorder::outsideTheProof() {
    iReader* const source = state.source();
    if (source == nullptr) {
        return VerifyWalkResult::Ok;  // unreachable: the walk read the clusters through it
    }
    const UnprovenFrames& found = evidence.unprovenFrames = findUnprovenFrames(
        *source, evidence.map, evidence.segmentHeaderOffset, evidence.segmentEnd);
    if (!found.found()) {
        return VerifyWalkResult::Ok;
    }
    state.detail = found.clusters > 0
                       ? "a frame in the cluster at offset " +
                             std::to_string(found.runs.front().firstOffset) +
                             " stands outside every proven cluster's signed bytes"
                       : "the search for frames outside the proven clusters stopped at offset " +
                             std::to_string(found.stoppedAt);
    return VerifyWalkResult::Unsigned;
}

void WalkRecorder::close(const SegmentScan& scan) {
    trials.flush();
    evidence.trialsStoppedAt = trials.stoppedAt();
    // After an early end the scan may have gone past where the walk stood.
    evidence.chainEndMatches =
        evidence.walkError.empty() && scan.chainEnd() == state.segment().tag.finalSignature;
    evidence.unsignedParts = scan.otherElements();
    if (clusterPrefixBytes > 0) {
        evidence.unsignedParts.push_back(
            CoveragePart{"cluster headers, Timecodes and signature elements", clusterPrefixBytes,
                         scan.clusters()});
    }
    if (uncheckedClusterBytes > 0) {
        evidence.unsignedParts.push_back(CoveragePart{"clusters without a usable signature",
                                                      uncheckedClusterBytes, uncheckedClusters});
    }
    for (const int64_t offset : state.segment().recorderTags) {
        if (offset != state.segment().tag.headerOffset) {
            evidence.otherRecorderTags.push_back(offset);
        }
    }
    for (const int64_t offset : scan.recorderTags()) {
        if (offset != state.segment().tag.headerOffset &&
            std::find(evidence.otherRecorderTags.begin(), evidence.otherRecorderTags.end(),
                      offset) == evidence.otherRecorderTags.end()) {
            evidence.otherRecorderTags.push_back(offset);
        }
    }
    if (iReader* const source = state.source()) {
        findClusterCopies(evidence, *source);
    }
    findKeyChanges(state);
    proveClusters(evidence, state.segment().tag.finalSignature);
    markSealedOrder(evidence);
    evidence.map.splitRunsOnStanding();
    evidence.map.finish(evidence.map.medianDuration());
}

}  // namespace nvr
