#include "signature/FindingTexts.h"

#include <algorithm>
#include <cmath>

namespace {

// A cluster counts as missing when the stated step before a failing one is
// more than this many median durations.
constexpr double kRemovedFactor = 1.5;

// "Cluster 3" or "Clusters 3–5".
std::string clusters(int64_t first, int64_t last) {
    return first == last ? "Cluster " + std::to_string(first)
                         : "Clusters " + std::to_string(first) + "–" + std::to_string(last);
}

std::string lower(std::string text) {
    text[0] = 'c';
    return text;
}

const char* verb(int64_t first, int64_t last, const char* one, const char* many) {
    return first == last ? one : many;
}

// " (00:00:14–00:00:17 as stated)", or empty without times.
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
    return " (" + clockText(*a->seconds) + (ends ? "–" + clockText(*end) : std::string()) +
           " as stated)";
}

// "clusters 1–14 before it were altered, replaced or reordered, or " when
// there are clusters before `first`.
std::string before(int64_t first, const char* it) {
    if (first <= 1) {
        return std::string();
    }
    const std::string which = first == 2 ? "cluster 1" : "clusters 1–" + std::to_string(first - 1);
    return which + " before " + it + " were altered, replaced or reordered, or ";
}

std::string breakText(const nvr::WalkEvidence& walk, int64_t first, int64_t last,
                      const std::optional<double>& median) {
    const ClusterMap& map = walk.map;
    const std::string which = clusters(first, last);
    const char* const them = first == last ? "it" : "them";
    const ClusterEntry* const after = map.find(last + 1);
    std::string resumes;
    if (after != nullptr) {
        resumes = ", while cluster " + std::to_string(last + 1) + " holds under the value cluster " +
                  std::to_string(last) + " stores" + (after->proven ? " and is tied to the recorder tag" : "");
    } else {
        resumes = ", while the chain still ends on the recorder tag's final value";
    }
    if (first == 1) {
        return which + span(map, first, last, median) +
               verb(first, last, " does", " do") +
               " not hold under the built-in key that opens every recording's chain" + resumes +
               ". So " + lower(which) + verb(first, last, " is", " are") +
               " not as the recorder sealed " + them + " in this place: " +
               verb(first, last, "its", "their") +
               " content was changed after sealing, or clusters before " + them +
               " were removed.";
    }
    return which + span(map, first, last, median) + verb(first, last, " does", " do") +
           " not hold under the value stored before " + them + resumes + ". So " + lower(which) +
           verb(first, last, " is", " are") + " not as the recorder sealed " + them +
           " in this place: " + verb(first, last, "its", "their") +
           " content was changed after sealing, or " + before(first, them) +
           "clusters were removed or inserted before cluster " + std::to_string(first) + ".";
}

std::string mismatchText(const nvr::WalkEvidence& walk, int64_t first, int64_t last,
                         const std::optional<double>& median) {
    const ClusterMap& map = walk.map;
    const ClusterEntry& head = *map.find(first);
    const char* const them = first == last ? "it" : "them";
    return clusters(first, last) + span(map, first, last, median) +
           verb(first, last, " does", " do") + " not hold under the value stored before " + them +
           (head.keyedBy.outcome == KeyTrial::Outcome::NotTried ? " (values stored farther away were not tried: the trial budget was spent)"
                               : ", nor under any value stored nearby or the built-in key") +
           ", and the chain does not pick up after " + them + ". Consistent with " +
           verb(first, last, "its", "their") +
           " content changed after sealing, with clusters around " + them +
           " altered, replaced, removed or inserted, or with " + them +
           " coming from another recording.";
}

}  // namespace

long removedBefore(const ClusterMap& map, const ClusterEntry& entry,
                   const std::optional<double>& median) {
    const ClusterEntry* const previous = map.find(entry.number - 1);
    if (previous == nullptr || !previous->seconds || !entry.seconds || !median || *median <= 0 ||
        entry.status == ClusterStatus::Verified) {
        return 0;
    }
    const double gap = *entry.seconds - *previous->seconds;
    if (!(gap > kRemovedFactor * *median)) {
        return 0;
    }
    return std::max(1L, std::lround(gap / *median) - 1);
}

std::string clusterText(FindingCode code, const nvr::WalkEvidence& walk, int64_t first,
                        int64_t last, const std::optional<double>& median) {
    const ClusterMap& map = walk.map;
    const std::string which = clusters(first, last) + span(map, first, last, median);
    const ClusterEntry& head = *map.find(first);
    if (code == FindingCode::ChainBreak) {
        return breakText(walk, first, last, median);
    }
    if (code == FindingCode::ClusterRemoved) {
        const ClusterEntry& previous = *map.find(first - 1);
        const double gap = *head.seconds - *previous.seconds;
        return "Before cluster " + std::to_string(first) + " the stated times jump by " +
               durationText(gap) + " where clusters last " + durationText(*median) +
               ", and it does not hold under the value stored before it: consistent with about " +
               std::to_string(removedBefore(map, head, median)) +
               " cluster(s) removed there. The times are stated by the file and not signed, so "
               "this is also consistent with cluster " +
               std::to_string(first) + " being altered, or the clusters before it replaced.";
    }
    if (code == FindingCode::ClusterSpliced) {
        return which + verb(first, last, " holds", " hold") +
               " only under the built-in key, as a recording's first cluster does: not in " +
               verb(first, last, "its", "their") +
               " sealed place in this chain. Consistent with clusters spliced in from another "
               "recording, or from the start of this one.";
    }
    if (code == FindingCode::ClusterMoved) {
        return which + " holds under the value stored in cluster " + std::to_string(keyTrialNumber(head.keyedBy)) +
               ", not under the one before it: it is not in its sealed place. Consistent with "
               "clusters moved, swapped or reordered.";
    }
    if (code == FindingCode::ChainBroken) {
        return which + " cannot be checked in the chain: its key is the value of cluster " +
               std::to_string(first - 1) + ", which carries no usable signature.";
    }
    if (code == FindingCode::ClusterUnsigned) {
        return which + verb(first, last, " carries", " carry") +
               " no usable signature: nothing proves those bytes.";
    }
    if (code == FindingCode::ClusterError) {
        return "The walk ended at " + lower(which) + ": " + walk.walkError +
               ". The clusters after it were not checked.";
    }
    return mismatchText(walk, first, last, median);
}

std::string insertedText(const ClusterMap& map, int64_t first, int64_t last, int64_t shownBy,
                         bool anyProven) {
    const ClusterEntry& witness = *map.find(shownBy);
    const std::string which = clusters(first, last) + span(map, first, last, std::nullopt);
    const std::string witnessName = "cluster " + std::to_string(shownBy);
    const bool opensChain = witness.keyedBy.heldByBuiltInKey();
    const std::string key = std::to_string(keyTrialNumber(witness.keyedBy));
    const std::string holds =
        witnessName + (opensChain ? " holds under the built-in key that opens every recording's chain"
                             : " holds under the value stored in cluster " + key);
    const std::string means =
        witness.proven
            ? ", and is tied to the recorder tag: in the recording as sealed, " +
                  (opensChain ? witnessName + " came first" : "cluster " + key + " came directly before it")
            : " (a link anyone can recompute from the file" +
                  std::string(anyProven ? ")" : "; nothing here is tied to the tag)");
    return which + verb(first, last, " is", " are") +
           " not part of the sealed chain at this place: " + holds + means +
           ". Consistent with " + lower(clusters(first, last)) +
           " inserted, from another recording or from elsewhere in this one.";
}

std::string movedText(const ClusterMap& map, int64_t first, int64_t last) {
    std::string links;
    int told = 0;
    for (int64_t n = first; n <= last; ++n) {
        const ClusterEntry& entry = *map.find(n);
        if (entry.keyedBy.heldBy() && ++told <= 6) {
            links += (links.empty() ? "" : ", ") + std::to_string(n) + " by " +
                     std::to_string(keyTrialNumber(entry.keyedBy));
        }
    }
    return clusters(first, last) + span(map, first, first, std::nullopt) +
           " are out of order: they hold under values stored in clusters other than the one "
           "before them (" +
           links + "). Consistent with clusters moved, swapped or reordered.";
}

std::string duplicatedText(const nvr::WalkEvidence& walk, int64_t copy, int64_t original) {
    const ClusterMap& map = walk.map;
    const ClusterEntry& copied = *map.find(copy);
    const ClusterEntry& kept = *map.find(original);
    const std::string text = "Cluster " + std::to_string(copy) +
                             span(map, copy, copy, std::nullopt) + " at offset " +
                             std::to_string(copied.headerOffset) +
                             " is a byte-for-byte copy of cluster " + std::to_string(original) +
                             " at offset " + std::to_string(kept.headerOffset) +
                             ": their signed bytes and stored values are identical, so the two ";
    // The original's own link holds; the copy is joined to neither neighbour.
    const bool keptInPlace = kept.status == ClusterStatus::Verified && kept.keyFrom == original - 1;
    const ClusterEntry* const next = map.find(copy + 1);
    const bool copyJoined =
        (copied.status == ClusterStatus::Verified && copied.keyFrom == copy - 1) ||
        (next != nullptr && next->status == ClusterStatus::Verified && next->keyFrom == copy);
    if (!keptInPlace || copyJoined) {
        return text + "copies show the same content and one of them stands where the recorder "
                      "did not put it.";
    }
    return text + "show the same content. Cluster " + std::to_string(original) +
           " stands in its sealed place, holding under " +
           (original == 1 ? std::string("the built-in key that opens the chain")
                          : "the value stored in cluster " + std::to_string(original - 1)) +
           "; cluster " + std::to_string(copy) +
           " is joined to neither cluster beside it, so it is the copy, standing where the "
           "recorder did not put it.";
}

std::string unsignedFramesText(const ClusterMap& map, int64_t first, int64_t last) {
    return clusters(first, last) + span(map, first, last, std::nullopt) +
           verb(first, last, " carries", " carry") +
           " frames before the signature element, outside the bytes it covers: players show "
           "those frames, and no signature vouches for them. This assumes, as recorders do, "
           "that the signature element stands before every frame it vouches for.";
}

namespace {

std::string placeText(const nvr::UnprovenFrameRun& run, int64_t segmentEnd) {
    switch (run.place) {
        case nvr::FramePlace::BeforeSegment:
            return "before the Segment";
        case nvr::FramePlace::InSegment:
            return "inside the Segment";
        case nvr::FramePlace::AfterSegment:
            return "after the Segment's declared end (offset " + std::to_string(segmentEnd) + ")";
        case nvr::FramePlace::OtherSegment:
            return "in another Segment, at offset " + std::to_string(run.segmentOffset);
    }
    return std::string();
}

std::string runText(const nvr::UnprovenFrameRun& run, int64_t segmentEnd) {
    const std::string at = run.firstOffset == run.lastOffset
                               ? "at offset " + std::to_string(run.firstOffset)
                               : "at offsets " + std::to_string(run.firstOffset) + "–" +
                                     std::to_string(run.lastOffset);
    return std::to_string(run.frames) + " frame(s) in " + std::to_string(run.clusters) +
           " cluster(s) " + placeText(run, segmentEnd) + ", " + at;
}

}  // namespace

std::string unprovenFramesText(const nvr::UnprovenFrames& found, int64_t segmentEnd) {
    std::string text;
    if (found.clusters > 0) {
        std::string where;
        int64_t told = 0;
        for (size_t i = 0; i < found.runs.size() && i < 3; ++i) {
            where += (where.empty() ? "" : "; ") + runText(found.runs[i], segmentEnd);
            told += found.runs[i].clusters;
        }
        if (told < found.clusters) {
            where += "; and " + std::to_string(found.clusters - told) + " cluster(s) elsewhere";
        }
        text = "A player reads " + std::to_string(found.frames) +
               " frame(s) that lie outside the signed bytes of every proven cluster: " + where +
               ". No signature tied to the recorder tag vouches for them. Consistent with "
               "clusters added to the file after the recording was sealed, copied there, or "
               "from another recording.";
    }
    if (found.stoppedAt >= 0) {
        text += std::string(text.empty() ? "" : " ") +
                "The search for frames outside the proven clusters stopped at offset " +
                std::to_string(found.stoppedAt) +
                " (the file could not be read there, or the search's read budget ran out): "
                "frames after it could not be ruled out.";
    }
    return text;
}

std::string appendedText(const nvr::WalkEvidence& walk) {
    const int64_t extra = walk.map.count() - walk.finalValueAt;
    return "Cluster " + std::to_string(walk.finalValueAt) +
           " stores the recorder tag's final value, but " + std::to_string(extra) +
           " more cluster(s) follow it: they are not part of the recording the tag closes. "
           "Consistent with clusters added after it was closed, or copied there.";
}

namespace {

// About how many clusters the tag's end time says are missing after the
// last one, or 0 when the stated times fill the tag's span or cannot tell.
long missingAtEnd(const nvr::WalkEvidence& walk, const std::optional<double>& median) {
    const std::optional<int64_t> start = tagTimeSeconds(walk.tag.startTime);
    const std::optional<int64_t> end = tagTimeSeconds(walk.tag.endTime);
    const auto& entries = walk.map.entries();
    if (!start || !end || !median || *median <= 0 || entries.empty() || !entries.back().seconds) {
        return 0;
    }
    const double shortBy = static_cast<double>(*end - *start) - (*entries.back().seconds + *median);
    return shortBy > kRemovedFactor * *median ? std::lround(shortBy / *median) : 0;
}

}  // namespace

std::string chainEndText(const nvr::WalkEvidence& walk, const std::optional<double>& median) {
    const int64_t count = walk.map.count();
    const std::string head =
        "The chain of " + std::to_string(count) +
        " clusters does not end on the value the recorder tag names" +
        (walk.finalValueAt == 0 ? ", and no cluster stores that value, so nothing in the "
                                  "recording is tied to the tag"
                                : std::string()) +
        ". ";
    const long missing = missingAtEnd(walk, median);
    if (missing > 0) {
        return head + "Consistent with the recording cut short at its end (by the stated times "
                      "about " +
               std::to_string(missing) +
               " cluster(s) are missing there), or with clusters altered and sealed again with "
               "values stored in the file.";
    }
    return head + "The clusters' stated times reach the tag's end, so a cut at the end does not "
                  "explain it alone: consistent with clusters altered or replaced and sealed "
                  "again with values stored in the file, with clusters removed at the end and "
                  "the times rewritten, or with a tag from another recording.";
}
