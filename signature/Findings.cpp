#include "signature/Findings.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "signature/ClusterCopies.h"
#include "signature/FindingTexts.h"
#include "signature/KeyFindings.h"
#include "signature/KeyTrials.h"
#include "signature/SealedOrder.h"

// Each finding states what the file shows and what that is consistent with.
// A link can be recomputed by anyone from the values stored in the file, so
// where more than one cause fits, every one is named and none is asserted.

namespace {

using nvr::originalOf;
using nvr::Placement;
using nvr::WalkEvidence;

Finding make(FindingCode code, std::string text, int64_t first = 0, int64_t last = 0,
             std::optional<double> seconds = std::nullopt) {
    return Finding{code, std::move(text), first, last, seconds};
}

std::string offsetList(const std::vector<int64_t>& offsets) {
    std::string list;
    for (const int64_t offset : offsets) {
        list += (list.empty() ? "" : ", ") + std::to_string(offset);
    }
    return list;
}

void tagFindings(const WalkEvidence& walk, std::vector<Finding>& out) {
    const TagStatement& tag = walk.tag;
    if (!tag.present && !walk.otherRecorderTags.empty()) {
        // The scan saw a tag the reader never reached: "no tag" would claim too much.
        out.push_back(make(FindingCode::TagMissing,
                           "No recorder tag was read from the recording, though the scan found " +
                               std::string(walk.otherRecorderTags.size() == 1 ? "one" : "some") +
                               " at offset " + offsetList(walk.otherRecorderTags) +
                               ": nothing read states its serial number, its times or the value "
                               "its chain must end on."));
    } else if (!tag.present) {
        out.push_back(make(FindingCode::TagMissing,
                           "The recording has no recorder tag: nothing states its serial number, "
                           "its times or the value its chain must end on."));
    } else if (tag.serialNumber.empty()) {
        out.push_back(make(FindingCode::TagNoSerial,
                           "The recorder tag has no serial number, so the recording counts as "
                           "not signed."));
    } else if (walk.tagResult == VerifyWalkResult::Unsigned) {
        out.push_back(
            make(FindingCode::TagUnsigned, "The recorder tag carries no usable signature."));
    } else if (walk.tagKey) {
        // A trusted key held but is revoked: key-outside-validity says so.
    } else if (walk.tagResult == VerifyWalkResult::Mismatch && tag.kind == 1) {
        if (walk.tagOpensWithBuiltInKey.value_or(false)) {
            out.push_back(make(FindingCode::TagAltered,
                               "The recorder tag's RSA signature was made with the recorder's "
                               "key, but over other bytes than the tag holds now: the tag was "
                               "changed after it was signed."));
        } else {
            out.push_back(make(FindingCode::TagUnknownKey,
                               "The recorder tag's RSA signature was not made with the key that "
                               "matches the built-in public key: it was signed by another key, "
                               "or the signature itself was changed."));
        }
    } else if (walk.tagResult == VerifyWalkResult::Mismatch) {
        out.push_back(make(FindingCode::TagMismatch,
                           "The recorder tag's HMAC does not match: the tag was altered, or it "
                           "was sealed with a key this program does not hold."));
    }
    if (!tag.unsignedField.empty()) {
        out.push_back(make(FindingCode::TagFieldUnsigned,
                           "The recorder tag's " + tag.unsignedField +
                               " stands before its signature element, outside the bytes the "
                               "signature covers, so it is not signed: a recording sealed again "
                               "throughout with a new final value would pass. This assumes, as "
                               "recorders do, that the signature element stands before every "
                               "field it vouches for."));
    }
    if (tag.present && !walk.otherRecorderTags.empty()) {
        out.push_back(make(FindingCode::TagMultiple,
                           "The file holds more than one recorder tag (besides the one at offset " +
                               std::to_string(tag.offset) + ", at " +
                               offsetList(walk.otherRecorderTags) +
                               "): only one can be the recorder's. This report reads the one at "
                               "offset " +
                               std::to_string(tag.offset) + "."));
    } else if (walk.otherRecorderTags.size() > 1) {
        out.push_back(make(
            FindingCode::TagMultiple,
            "The file holds more than one recorder tag (at " + offsetList(walk.otherRecorderTags) +
                "): only one can be the recorder's. This report reads none of them."));
    }
}

// Copies are told as copies, not as inserted.
void insertionFindings(const WalkEvidence& walk, const Placement& placement, bool anyProven,
                       std::vector<Finding>& out) {
    const ClusterMap& map = walk.map;
    const auto& shownBy = placement.shownBy;
    auto inserted = [&](size_t i) {
        return shownBy[i] != 0 && originalOf(walk, static_cast<int64_t>(i + 1)) == 0;
    };
    for (size_t i = 0; i < shownBy.size();) {
        if (!inserted(i)) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j + 1 < shownBy.size() && inserted(j + 1) && shownBy[j + 1] == shownBy[i]) {
            ++j;
        }
        const auto first = static_cast<int64_t>(i + 1);
        const auto last = static_cast<int64_t>(j + 1);
        out.push_back(make(FindingCode::ClusterInserted,
                           insertedText(map, first, last, shownBy[i], anyProven), first, last,
                           map.find(first)->seconds));
        i = j + 1;
    }
}

// Told by a finding of its own, or by none: a copy, a cluster outside the
// chain, a witness in its sealed order.
bool toldApart(const WalkEvidence& walk, const Placement& placement, int64_t number) {
    const auto i = static_cast<size_t>(number - 1);
    return originalOf(walk, number) != 0 || placement.shownBy[i] != 0 || placement.inOrder[i];
}

// A block of failing clusters in which some cluster holds under a later
// cluster's value: their order was changed. A copy holds under the value
// before its original, which proves nothing of the order here.
bool reordered(const WalkEvidence& walk, const Placement& placement, int64_t first, int64_t last,
               std::vector<Finding>& out) {
    const ClusterMap& map = walk.map;
    bool later = false;
    int64_t from = 0;
    int64_t to = 0;
    for (int64_t n = first; n <= last; ++n) {
        if (toldApart(walk, placement, n)) {
            continue;
        }
        const std::optional<int64_t> heldBy = map.find(n)->keyedBy.heldBy();
        later = later || (heldBy && *heldBy > n);
        from = from == 0 ? n : from;
        to = n;
    }
    if (!later) {
        return false;
    }
    out.push_back(make(FindingCode::ClusterMoved, movedText(map, from, to), from, to,
                       map.find(from)->seconds));
    return true;
}

// The code of one failing cluster, judged with its neighbours. `resumes`:
// the cluster after the block holds under the value the block's last
// cluster stores.
FindingCode clusterCode(const WalkEvidence& walk, const ClusterEntry& entry, bool resumes,
                        const std::optional<double>& median) {
    const ClusterMap& map = walk.map;
    if (entry.status == ClusterStatus::Unsigned) {
        return FindingCode::ClusterUnsigned;
    }
    if (entry.status == ClusterStatus::Error) {
        return FindingCode::ClusterError;
    }
    if (entry.keyedBy.heldByBuiltInKey()) {
        return FindingCode::ClusterSpliced;
    }
    if (entry.keyedBy.heldBy()) {
        return FindingCode::ClusterMoved;
    }
    const ClusterEntry* const before = map.find(entry.number - 1);
    if (before != nullptr && before->status == ClusterStatus::Unsigned) {
        return FindingCode::ChainBroken;
    }
    // Removal is told from the times once no key held; with keys left
    // untried (the trial budget spent) the times alone assert nothing.
    if (entry.keyedBy.outcome != KeyTrial::Outcome::NotTried &&
        removedBefore(map, entry, median) > 0) {
        return FindingCode::ClusterRemoved;
    }
    return resumes ? FindingCode::ChainBreak : FindingCode::ClusterMismatch;
}

// The chain picks up right after cluster `number`: the next one holds under
// its value, or it is the last and stores the tag's final value.
bool resumesAfter(const WalkEvidence& walk, int64_t number) {
    const ClusterEntry* const after = walk.map.find(number + 1);
    return after != nullptr ? after->status == ClusterStatus::Verified && after->keyFrom == number
                            : number == walk.map.count() && walk.chainEndMatches;
}

void blockFindings(const WalkEvidence& walk, const Placement& placement, int64_t first,
                   int64_t last, const std::optional<double>& median, std::vector<Finding>& out) {
    const ClusterMap& map = walk.map;
    const size_t start = out.size();
    const bool moved = reordered(walk, placement, first, last, out);
    const bool resumes = resumesAfter(walk, last);
    bool open = false;  // a finding of `openCode` is open for the next cluster
    FindingCode openCode = FindingCode::ClusterMismatch;
    for (int64_t n = first; n <= last; ++n) {
        const ClusterEntry& entry = *map.find(n);
        if (const int64_t original = originalOf(walk, n); original != 0) {
            out.push_back(make(FindingCode::ClusterDuplicated, duplicatedText(walk, n, original), n,
                               n, entry.seconds));
            open = false;
            continue;
        }
        if (moved || toldApart(walk, placement, n)) {
            open = false;  // told as moved or inserted, or in its sealed order
            continue;
        }
        const FindingCode code = clusterCode(walk, entry, resumes, median);
        const bool single = code == FindingCode::ClusterRemoved ||
                            code == FindingCode::ChainBroken || code == FindingCode::ClusterError ||
                            code == FindingCode::ClusterMoved;
        if (open && code == openCode && !single) {
            out.back().lastCluster = n;
        } else {
            out.push_back(make(code, "", n, n, entry.seconds));
        }
        open = true;
        openCode = code;
    }
    for (size_t i = start; i < out.size(); ++i) {
        Finding& finding = out[i];
        if (!finding.text.empty()) {
            continue;
        }
        // A break says the chain picks up right after it; where the block
        // goes on past it, it does not.
        if (finding.code == FindingCode::ChainBreak && !resumesAfter(walk, finding.lastCluster)) {
            finding.code = FindingCode::ClusterMismatch;
        }
        finding.text =
            clusterText(finding.code, walk, finding.firstCluster, finding.lastCluster, median);
    }
}

void clusterFindings(const WalkEvidence& walk, const std::optional<double>& median, bool anyProven,
                     std::vector<Finding>& out) {
    const Placement placement = nvr::placementOf(walk);
    insertionFindings(walk, placement, anyProven, out);
    int64_t first = 0;
    for (const ClusterEntry& entry : walk.map.entries()) {
        const bool failing =
            entry.status != ClusterStatus::Verified && entry.status != ClusterStatus::NotChecked;
        if (failing && first == 0) {
            first = entry.number;
        } else if (!failing && first != 0) {
            blockFindings(walk, placement, first, entry.number - 1, median, out);
            first = 0;
        }
    }
    if (first != 0) {
        blockFindings(walk, placement, first, static_cast<int64_t>(walk.map.entries().size()),
                      median, out);
    }
}

// Clusters whose frames stand before their signature element, as ranges.
void unsignedFrameFindings(const ClusterMap& map, std::vector<Finding>& out) {
    int64_t first = 0;
    int64_t last = 0;
    auto flush = [&] {
        if (first != 0) {
            out.push_back(make(FindingCode::UnsignedFrames, unsignedFramesText(map, first, last),
                               first, last, map.find(first)->seconds));
        }
        first = 0;
    };
    for (const ClusterEntry& entry : map.entries()) {
        if (!entry.unsignedFrames) {
            continue;
        }
        if (first != 0 && entry.number != last + 1) {
            flush();
        }
        if (first == 0) {
            first = entry.number;
        }
        last = entry.number;
    }
    flush();
}

// Where the key-trial budget ran out: the findings from there on name a
// cause only where a key held.
void trialFindings(const WalkEvidence& walk, std::vector<Finding>& out) {
    const ClusterEntry* const at = walk.map.find(walk.trialsStoppedAt);
    if (at == nullptr) {
        return;
    }
    out.push_back(
        make(FindingCode::TrialsExhausted,
             "Key trials stopped at cluster " + std::to_string(at->number) + " (offset " +
                 std::to_string(at->headerOffset) +
                 "): the budget for trying values stored farther away was spent (failing "
                 "clusters beside one whose link holds have a further half of it). From there "
                 "on some "
                 "failing clusters were tried only with the values stored up to " +
                 std::to_string(KeyTrials::kNear) +
                 " clusters either side and with the built-in key; where none of those held, the "
                 "findings give no cause for them.",
             at->number, walk.map.count(), at->seconds));
}

void chainFindings(const WalkEvidence& walk, const RecordingEvidence& evidence,
                   std::vector<Finding>& out) {
    const int64_t count = walk.map.count();
    const int64_t fileSize = walk.fileSize;
    if (fileSize >= 0 && walk.segmentEnd > fileSize) {
        out.push_back(make(FindingCode::RecordingTruncated,
                           "The recording is cut short: its Segment declares " +
                               std::to_string(walk.segmentEnd - fileSize) +
                               " bytes more than the file holds."));
    }
    bool anySigned = walk.tag.kind != 0;
    for (const ClusterEntry& entry : walk.map.entries()) {
        anySigned = anySigned || entry.kind != 0;
    }
    if (!anySigned) {
        out.push_back(
            make(FindingCode::RecordingUnsigned, "The recording carries no signature at all."));
    }
    if (walk.tag.serialNumber.empty() || walk.chainEndMatches || !walk.walkError.empty()) {
        return;
    }
    if (count == 0) {
        out.push_back(make(FindingCode::NoClusters,
                           "The recording has no cluster, but its recorder tag names a final "
                           "value: the clusters that value closed are not in the file."));
    } else if (walk.finalValueAt > 0 && walk.finalValueAt < count) {
        out.push_back(
            make(FindingCode::ClustersAppended, appendedText(walk), walk.finalValueAt + 1, count));
    } else {
        out.push_back(
            make(FindingCode::ChainEndMismatch, chainEndText(walk, evidence.medianClusterSeconds)));
    }
}

}  // namespace

std::vector<Finding> findingsOf(const WalkEvidence& walk, const RecordingEvidence& evidence) {
    std::vector<Finding> out;
    // An error that did not come from the walk (the metadata did not read)
    // leads; the clusters may still have been mapped after it.
    if (evidence.verdict.code == VerdictCode::Error &&
        evidence.verdict.errorText != walk.walkError) {
        out.push_back(make(
            FindingCode::FileError,
            "The file could not be verified as a recording: " + evidence.verdict.errorText + "."));
    }
    if (!walk.walked) {
        return out;
    }
    const bool anyProven = std::any_of(walk.map.entries().begin(), walk.map.entries().end(),
                                       [](const ClusterEntry& entry) { return entry.proven; });
    tagFindings(walk, out);
    clusterFindings(walk, evidence.medianClusterSeconds, anyProven, out);
    trialFindings(walk, out);
    unsignedFrameFindings(walk.map, out);
    if (!walk.walkError.empty() && walk.errorCluster == 0) {
        const std::vector<ClusterRun>& runs = walk.map.runs();
        const int64_t at = runs.empty() ? walk.segmentDataOffset : runs.back().startOffset;
        out.push_back(make(FindingCode::WalkError, "The walk ended at offset " +
                                                       std::to_string(at) + ": " + walk.walkError +
                                                       ". What follows was not checked."));
    }
    chainFindings(walk, evidence, out);
    if (walk.unprovenFrames.found()) {
        out.push_back(make(FindingCode::UnprovenFrames,
                           unprovenFramesText(walk.unprovenFrames, walk.segmentEnd)));
    }
    keyFindings(walk, out);
    // A verdict that fell on frames or a tag field outside the signatures
    // or the proof names them first, as it names the first failing cluster
    // otherwise. Unproven frames are searched for only where nothing else failed.
    const ClusterEntry* const failed = walk.map.find(walk.firstFailure);
    const bool onFrames =
        failed != nullptr && failed->unsignedFrames && failed->status == ClusterStatus::Verified;
    const bool onProof = walk.unprovenFrames.found();
    if (evidence.verdict.code == VerdictCode::Unsigned &&
        (walk.failedAtTag || onFrames || onProof)) {
        const FindingCode decisive = walk.failedAtTag ? FindingCode::TagFieldUnsigned
                                     : onProof        ? FindingCode::UnprovenFrames
                                                      : FindingCode::UnsignedFrames;
        std::stable_partition(out.begin(), out.end(),
                              [decisive](const Finding& f) { return f.code == decisive; });
    }
    return out;
}
