#include "signature/Findings.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "signature/FindingTexts.h"

// Each finding states what the file shows and what that is consistent with.
// A link can be recomputed by anyone from the values stored in the file, so
// where more than one cause fits, every one is named and none is asserted.

namespace {

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
        out.push_back(make(FindingCode::TagMultiple,
                           "The file holds more than one recorder tag (at " +
                               offsetList(walk.otherRecorderTags) +
                               "): only one can be the recorder's. This report reads none of them."));
    }
}

// Where some cluster is proven through the value of a cluster further back
// than the one before it, the clusters between are not part of the sealed
// chain there. Marks them, and tells which cluster showed it.
struct Outsiders {
    std::vector<int64_t> shownBy;  // by cluster number - 1: the cluster that showed it, or 0
};

Outsiders outsidersOf(const ClusterMap& map) {
    Outsiders found;
    found.shownBy.assign(map.entries().size(), 0);
    for (const ClusterEntry& entry : map.entries()) {
        const std::optional<int64_t> heldBy = entry.keyedBy.heldBy();
        if (entry.status != ClusterStatus::Mismatch || !heldBy || *heldBy >= entry.number - 1) {
            continue;
        }
        for (int64_t n = *heldBy + 1; n < entry.number; ++n) {
            const ClusterEntry& between = *map.find(n);
            if (!between.proven && found.shownBy[static_cast<size_t>(n - 1)] == 0) {
                found.shownBy[static_cast<size_t>(n - 1)] = entry.number;
            }
        }
    }
    return found;
}

void insertionFindings(const ClusterMap& map, const Outsiders& outsiders, bool anyProven,
                       std::vector<Finding>& out) {
    const auto& shownBy = outsiders.shownBy;
    for (size_t i = 0; i < shownBy.size();) {
        if (shownBy[i] == 0) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j + 1 < shownBy.size() && shownBy[j + 1] == shownBy[i]) {
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

// A block of failing clusters in which some cluster holds under a later
// cluster's value: their order was changed.
bool reordered(const ClusterMap& map, int64_t first, int64_t last, std::vector<Finding>& out) {
    bool later = false;
    for (int64_t n = first; n <= last; ++n) {
        const std::optional<int64_t> heldBy = map.find(n)->keyedBy.heldBy();
        later = later || (heldBy && *heldBy > n);
    }
    if (!later) {
        return false;
    }
    out.push_back(make(FindingCode::ClusterMoved, movedText(map, first, last), first, last,
                       map.find(first)->seconds));
    return true;
}

bool isCopy(const WalkEvidence& walk, int64_t number, int64_t* original) {
    const auto it = std::lower_bound(walk.duplicates.begin(), walk.duplicates.end(),
                                     std::make_pair(number, int64_t{0}));
    if (it == walk.duplicates.end() || it->first != number) {
        return false;
    }
    *original = it->second;
    return true;
}

// The code of one failing cluster, judged with its neighbours. `resumes`:
// the cluster after the block holds under the value the block's last
// cluster stores.
FindingCode clusterCode(const WalkEvidence& walk, const ClusterEntry& entry, bool resumes,
                        const std::optional<double>& median) {
    const ClusterMap& map = walk.map;
    int64_t original = 0;
    if (isCopy(walk, entry.number, &original)) {
        return FindingCode::ClusterDuplicated;
    }
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
    if (removedBefore(map, entry, median) > 0) {
        return FindingCode::ClusterRemoved;
    }
    return resumes ? FindingCode::ChainBreak : FindingCode::ClusterMismatch;
}

void blockFindings(const WalkEvidence& walk, const Outsiders& outsiders, int64_t first,
                   int64_t last, const std::optional<double>& median, std::vector<Finding>& out) {
    const ClusterMap& map = walk.map;
    if (reordered(map, first, last, out)) {
        return;
    }
    const ClusterEntry* const after = map.find(last + 1);
    const bool resumes = after != nullptr ? after->status == ClusterStatus::Verified &&
                                                after->keyFrom == last
                                          : last == map.count() && walk.chainEndMatches;
    const size_t start = out.size();
    bool open = false;  // a finding of `openCode` is open for the next cluster
    FindingCode openCode = FindingCode::ClusterMismatch;
    for (int64_t n = first; n <= last; ++n) {
        const ClusterEntry& entry = *map.find(n);
        if (outsiders.shownBy[static_cast<size_t>(n - 1)] != 0) {
            open = false;  // told as inserted
            continue;
        }
        const FindingCode code = clusterCode(walk, entry, resumes, median);
        const bool single = code == FindingCode::ClusterRemoved ||
                            code == FindingCode::ChainBroken || code == FindingCode::ClusterError ||
                            code == FindingCode::ClusterDuplicated ||
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
        int64_t original = 0;
        if (finding.code == FindingCode::ClusterDuplicated &&
            isCopy(walk, finding.firstCluster, &original)) {
            finding.text = duplicatedText(map, finding.firstCluster, original);
        } else {
            finding.text = clusterText(finding.code, walk, finding.firstCluster,
                                       finding.lastCluster, median);
        }
    }
}

void clusterFindings(const WalkEvidence& walk, const std::optional<double>& median,
                     bool anyProven, std::vector<Finding>& out) {
    const Outsiders outsiders = outsidersOf(walk.map);
    insertionFindings(walk.map, outsiders, anyProven, out);
    int64_t first = 0;
    for (const ClusterEntry& entry : walk.map.entries()) {
        const bool failing =
            entry.status != ClusterStatus::Verified && entry.status != ClusterStatus::NotChecked;
        if (failing && first == 0) {
            first = entry.number;
        } else if (!failing && first != 0) {
            blockFindings(walk, outsiders, first, entry.number - 1, median, out);
            first = 0;
        }
    }
    if (first != 0) {
        blockFindings(walk, outsiders, first, static_cast<int64_t>(walk.map.entries().size()),
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
    // A verdict that fell on frames or a tag field outside the signatures
    // or the proof names them first, as it names the first failing cluster
    // otherwise. Unproven frames are searched for only where nothing else failed.
    const ClusterEntry* const failed = walk.map.find(walk.firstFailure);
    const bool onFrames = failed != nullptr && failed->unsignedFrames &&
                          failed->status == ClusterStatus::Verified;
    const bool onProof = walk.unprovenFrames.found();
    if (evidence.verdict.code == VerdictCode::Unsigned && (walk.failedAtTag || onFrames || onProof)) {
        const FindingCode decisive = walk.failedAtTag ? FindingCode::TagFieldUnsigned
                                     : onProof        ? FindingCode::UnprovenFrames
                                                      : FindingCode::UnsignedFrames;
        std::stable_partition(out.begin(), out.end(),
                              [decisive](const Finding& f) { return f.code == decisive; });
    }
    return out;
}
