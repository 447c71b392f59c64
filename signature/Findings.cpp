#include "signature/Findings.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

using nvr::WalkEvidence;

// "Cluster 3" or "Clusters 3–5", and the verb's ending that goes with it.
std::string clusters(int64_t first, int64_t last) {
    return first == last ? "Cluster " + std::to_string(first)
                         : "Clusters " + std::to_string(first) + "–" + std::to_string(last);
}

const char* s3(int64_t first, int64_t last, const char* one, const char* many) {
    return first == last ? one : many;
}

// The time span of clusters first..last, " (00:00:14–00:00:16)", or empty.
std::string span(const ClusterMap& map, int64_t first, int64_t last,
                 const std::optional<double>& median) {
    const ClusterEntry* const a = map.find(first);
    const ClusterEntry* const b = map.find(last);
    if (a == nullptr || b == nullptr || !a->seconds) {
        return std::string();
    }
    std::optional<double> end;
    if (const ClusterEntry* const after = map.find(last + 1)) {
        end = after->seconds;
    } else if (b->seconds && median) {
        end = *b->seconds + *median;
    }
    const bool ends = end && *end >= *a->seconds;
    return " (" + clockText(*a->seconds) + (ends ? "–" + clockText(*end) : std::string()) + ")";
}

Finding make(const char* code, std::string text, int64_t first = 0, int64_t last = 0,
             std::optional<double> seconds = std::nullopt) {
    return Finding{code, std::move(text), first, last, seconds};
}

void tagFindings(const WalkEvidence& walk, std::vector<Finding>& out) {
    const TagStatement& tag = walk.tag;
    if (!tag.present) {
        out.push_back(make("tag-missing",
                           "The recording has no recorder tag: nothing states its serial number, "
                           "its times or the value its chain must end on."));
    } else if (tag.serialNumber.empty()) {
        out.push_back(make("tag-no-serial",
                           "The recorder tag has no serial number, so the recording counts as "
                           "not signed."));
    } else if (walk.tagResult == VERIFY_UNSIGNED) {
        out.push_back(make("tag-unsigned", "The recorder tag carries no usable signature."));
    } else if (walk.tagResult == VERIFY_MISMATCH && tag.kind == 1) {
        if (walk.tagOpensWithBuiltInKey.value_or(false)) {
            out.push_back(make("tag-altered",
                               "The recorder tag was altered after it was signed: its RSA "
                               "signature was made with the recorder's key, but over other "
                               "bytes."));
        } else {
            out.push_back(make("tag-unknown-key",
                               "The recorder tag's RSA signature was not made with the key that "
                               "matches the built-in public key: it was signed by another key, "
                               "or the signature itself was changed."));
        }
    } else if (walk.tagResult == VERIFY_MISMATCH) {
        out.push_back(make("tag-mismatch",
                           "The recorder tag's HMAC does not match: the tag was altered, or it "
                           "was sealed with a key this program does not hold."));
    }
}

// The code of a failing cluster, judged with its neighbours. A block of
// failing clusters followed by one that verifies with the value the
// block's last cluster carries (`chainResumes`) has its values, and so the
// chain, intact: the bytes they seal are not.
const char* clusterCode(const ClusterMap& map, const ClusterEntry& entry, bool chainResumes,
                        const std::optional<double>& median) {
    if (entry.status == ClusterStatus::Unsigned) {
        return "cluster-unsigned";
    }
    if (entry.status == ClusterStatus::Error) {
        return "cluster-error";
    }
    if (entry.keyedBy == 0) {
        return "cluster-spliced";
    }
    if (entry.keyedBy > 0) {
        return entry.keyedBy == entry.number - 2 ? "cluster-inserted" : "cluster-moved";
    }
    const ClusterEntry* const before = map.find(entry.number - 1);
    if (before != nullptr && before->status == ClusterStatus::Unsigned) {
        return "chain-broken";
    }
    if (before != nullptr && before->seconds && entry.seconds && median &&
        *entry.seconds - *before->seconds > 1.5 * *median) {
        return "cluster-removed";
    }
    return chainResumes ? "content-altered" : "cluster-mismatch";
}

std::string clusterText(const std::string& code, const ClusterMap& map, int64_t first, int64_t last,
                        const WalkEvidence& walk, const std::optional<double>& median) {
    const std::string which = clusters(first, last) + span(map, first, last, median);
    const std::string inner = "c" + which.substr(1);  // mid-sentence
    const ClusterEntry& head = *map.find(first);
    if (code == "content-altered") {
        return "The content of " + inner + " was" +
               " altered after signing: the signature does not match the bytes, while the "
               "next cluster verifies with the value stored here, so the chain itself is "
               "intact.";
    }
    if (code == "cluster-spliced") {
        return which + s3(first, last, " verifies", " verify") +
               " only with the built-in key, as the first cluster of a recording does: spliced "
               "in from another recording, or from the start of this one.";
    }
    if (code == "cluster-inserted") {
        return "Cluster " + std::to_string(first - 1) + " was inserted: cluster " +
               std::to_string(first) + " verifies when keyed by cluster " +
               std::to_string(head.keyedBy) + ", the cluster before the inserted one.";
    }
    if (code == "cluster-removed") {
        const ClusterEntry* const before = map.find(first - 1);
        const double gap = *head.seconds - *before->seconds;
        const long missing = std::max(1L, std::lround(gap / *median) - 1);
        return "Before " + inner + " the timecodes jump by " + durationText(gap) +
               " where clusters last " + durationText(*median) +
               ", and it does not verify with the value before it: about " +
               std::to_string(missing) + " cluster(s) were likely removed there.";
    }
    if (code == "chain-broken") {
        return which + " cannot be checked in the chain: its key is the value of cluster " +
               std::to_string(first - 1) + ", which carries no usable signature.";
    }
    if (code == "cluster-unsigned") {
        return which + s3(first, last, " carries", " carry") +
               " no usable signature: nothing proves those bytes.";
    }
    if (code == "cluster-error") {
        return "The walk ended at " + inner + ": " + walk.walkError +
               ". The clusters after it were not checked.";
    }
    return which +
           (head.keyedBy == -2
                ? " does not verify with the value of the cluster before it (other keys were "
                  "not tried: the trial budget was spent)."
                : " does not verify with the value of the cluster before it, nor with any "
                  "value nearby or the built-in key.");
}

// A block of failing clusters in which some cluster verifies with a later
// cluster's value: their order was changed. One finding names the links.
bool reordered(const ClusterMap& map, int64_t first, int64_t last, std::vector<Finding>& out) {
    std::string links;
    bool later = false;
    int told = 0;
    for (int64_t n = first; n <= last; ++n) {
        const ClusterEntry& entry = *map.find(n);
        later = later || entry.keyedBy > n;
        if (entry.keyedBy > 0 && ++told <= 6) {
            links += (links.empty() ? "" : ", ") + std::to_string(n) + " by " +
                     std::to_string(entry.keyedBy);
        }
    }
    if (!later) {
        return false;
    }
    out.push_back(make("cluster-moved",
                       clusters(first, last) + span(map, first, first, std::nullopt) +
                           " are out of order: they verify when keyed by clusters other than "
                           "the one before them (" +
                           links + "): clusters were moved, swapped or reordered.",
                       first, last, map.find(first)->seconds));
    return true;
}

void blockFindings(const WalkEvidence& walk, int64_t first, int64_t last,
                   const std::optional<double>& median, std::vector<Finding>& out) {
    const ClusterMap& map = walk.map;
    if (reordered(map, first, last, out)) {
        return;
    }
    const ClusterEntry* const after = map.find(last + 1);
    const bool chainResumes = after != nullptr ? after->status == ClusterStatus::Verified
                                               : last == map.count() && walk.chainEndMatches;
    const size_t start = out.size();
    std::string openCode;
    for (int64_t n = first; n <= last; ++n) {
        const ClusterEntry& entry = *map.find(n);
        const std::string code = clusterCode(map, entry, chainResumes, median);
        const bool single = code == "cluster-inserted" || code == "cluster-removed" ||
                            code == "chain-broken" || code == "cluster-error";
        if (code == openCode && !single) {
            out.back().lastCluster = n;
        } else {
            out.push_back(make(code.c_str(), "", n, n, entry.seconds));
        }
        openCode = code;
    }
    for (size_t i = start; i < out.size(); ++i) {
        Finding& finding = out[i];
        finding.text =
            clusterText(finding.code, map, finding.firstCluster, finding.lastCluster, walk, median);
        if (finding.code == "cluster-inserted") {
            finding.firstCluster -= 1;  // the inserted one, before the one that tells
        }
    }
}

void clusterFindings(const WalkEvidence& walk, const std::optional<double>& median,
                     std::vector<Finding>& out) {
    int64_t first = 0;
    for (const ClusterEntry& entry : walk.map.entries()) {
        const bool failing =
            entry.status != ClusterStatus::Verified && entry.status != ClusterStatus::NotChecked;
        if (failing && first == 0) {
            first = entry.number;
        } else if (!failing && first != 0) {
            blockFindings(walk, first, entry.number - 1, median, out);
            first = 0;
        }
    }
    if (first != 0) {
        blockFindings(walk, first, static_cast<int64_t>(walk.map.entries().size()), median, out);
    }
}

// About how many clusters the tag's end time says are missing after the
// last one, or 0 when that cannot be told.
long missingAtEnd(const WalkEvidence& walk, const std::optional<double>& median) {
    const std::optional<int64_t> start = tagTimeSeconds(walk.tag.startTime);
    const std::optional<int64_t> end = tagTimeSeconds(walk.tag.endTime);
    const auto& entries = walk.map.entries();
    if (!start || !end || !median || *median <= 0 || entries.empty() || !entries.back().seconds) {
        return 0;
    }
    const double shortBy = static_cast<double>(*end - *start) - (*entries.back().seconds + *median);
    return shortBy > 1.5 * *median ? std::lround(shortBy / *median) : 0;
}

void chainFindings(const WalkEvidence& walk, const RecordingEvidence& evidence,
                   std::vector<Finding>& out) {
    const int64_t count = walk.map.count();
    const int64_t fileSize = walk.fileSize;
    if (fileSize >= 0 && walk.segmentEnd > fileSize) {
        out.push_back(
            make("recording-truncated", "The recording is cut short: its Segment declares " +
                                            std::to_string(walk.segmentEnd - fileSize) +
                                            " bytes more than the file holds."));
    }
    bool anySigned = walk.tag.kind != 0;
    for (const ClusterEntry& entry : walk.map.entries()) {
        anySigned = anySigned || entry.kind != 0;
    }
    if (!anySigned) {
        out.push_back(make("recording-unsigned", "The recording carries no signature at all."));
    }
    if (walk.tag.serialNumber.empty() || walk.chainEndMatches || !walk.walkError.empty()) {
        return;
    }
    if (count == 0) {
        out.push_back(make("no-clusters",
                           "The recording has no cluster, but its recorder tag names a final "
                           "value: its content was removed."));
    } else if (walk.finalValueAt > 0 && walk.finalValueAt < count) {
        out.push_back(make("clusters-appended",
                           "The chain reaches the recorder tag's final value at cluster " +
                               std::to_string(walk.finalValueAt) + ", but " +
                               std::to_string(count - walk.finalValueAt) +
                               " more cluster(s) follow: they were added after the recording "
                               "was closed.",
                           walk.finalValueAt + 1, count));
    } else {
        const long missing = missingAtEnd(walk, evidence.medianClusterSeconds);
        out.push_back(
            make("chain-end-mismatch",
                 "The chain of " + std::to_string(count) +
                     " clusters does not end on the value the recorder tag names: the "
                     "recording was cut short or clusters were removed at its end" +
                     (missing > 0 ? "; by the tag's end time about " + std::to_string(missing) +
                                        " cluster(s) are missing"
                                  : std::string()) +
                     "."));
    }
}

}  // namespace

std::vector<Finding> findingsOf(const WalkEvidence& walk, const RecordingEvidence& evidence) {
    std::vector<Finding> out;
    if (!walk.walked) {
        if (evidence.verdict.code == RECORDING_ERROR) {
            out.push_back(make("file-error", "The file could not be verified as a recording: " +
                                                 evidence.verdict.errorText + "."));
        }
        return out;
    }
    tagFindings(walk, out);
    clusterFindings(walk, evidence.medianClusterSeconds, out);
    if (!walk.walkError.empty() && walk.errorCluster == 0) {
        const std::vector<ClusterRun>& runs = walk.map.runs();
        const int64_t at = runs.empty() ? walk.segmentDataOffset : runs.back().startOffset;
        out.push_back(make("walk-error", "The walk ended at offset " + std::to_string(at) + ": " +
                                             walk.walkError + ". What follows was not checked."));
    }
    chainFindings(walk, evidence, out);
    return out;
}
