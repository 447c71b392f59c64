#include "signature/TimelineChecks.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Of each kind, this many are told one by one; the rest are counted.
constexpr int kToldPerKind = 5;

// A gap counts when it is this many times the median cluster duration.
constexpr double kGapFactor = 5.0;
// The clusters' times may differ from the tag's span by this share of it
// (and by two cluster durations) before it is told.
constexpr double kSpanShare = 0.1;

void tagChecks(const TagStatement& tag, std::vector<TimelineWarning>& out) {
    if (!tag.present) {
        return;
    }
    const std::optional<int64_t> start = tagTimeSeconds(tag.startTime);
    const std::optional<int64_t> end = tagTimeSeconds(tag.endTime);
    if (!start || !end) {
        out.push_back({"tag-times-unparsed",
                       "The recorder tag's start or end time does not read as "
                       "\"YYYY-MM-DD hh:mm:ss\": times cannot be placed on the clock."});
    } else if (*end < *start) {
        out.push_back({"tag-end-before-start",
                       "The recorder tag's end time is earlier than its start time."});
    }
}

void clusterChecks(const ClusterMap& map, const std::optional<double>& median,
                   std::vector<TimelineWarning>& out) {
    int backwards = 0;
    int gaps = 0;
    const ClusterEntry* previous = nullptr;
    for (const ClusterEntry& entry : map.entries()) {
        if (!entry.seconds) {
            continue;
        }
        if (previous != nullptr) {
            const double step = *entry.seconds - *previous->seconds;
            const std::string where =
                "cluster " + std::to_string(entry.number) + " (" + clockText(*entry.seconds) + ")";
            if (step < 0 && ++backwards <= kToldPerKind) {
                out.push_back({"time-backwards", "The time goes backwards at " + where +
                                                     ": it is earlier than cluster " +
                                                     std::to_string(previous->number) + "'s."});
            } else if (median && *median > 0 && step > kGapFactor * *median &&
                       ++gaps <= kToldPerKind) {
                out.push_back({"time-gap", "A gap of " + clockText(step) + " before " + where +
                                               ", where clusters usually last " +
                                               durationText(*median) + "."});
            }
        }
        previous = &entry;
    }
    if (backwards > kToldPerKind) {
        out.push_back({"time-backwards", "The time goes backwards " +
                                             std::to_string(backwards - kToldPerKind) +
                                             " more time(s)."});
    }
    if (gaps > kToldPerKind) {
        out.push_back(
            {"time-gap", std::to_string(gaps - kToldPerKind) + " more gap(s) of the kind."});
    }
}

void lengthCheck(const nvr::WalkEvidence& walk, const std::optional<double>& median,
                 std::vector<TimelineWarning>& out) {
    const std::optional<int64_t> start = tagTimeSeconds(walk.tag.startTime);
    const std::optional<int64_t> end = tagTimeSeconds(walk.tag.endTime);
    const auto& entries = walk.map.entries();
    if (!start || !end || *end < *start || entries.empty() || !entries.back().seconds) {
        return;
    }
    const double tolerance = std::max(2.0, 2.0 * median.value_or(0.0));
    const double stated = static_cast<double>(*end - *start);
    if (*entries.back().seconds > stated + tolerance) {
        out.push_back({"time-beyond-tag-end",
                       "The last cluster starts at " + clockText(*entries.back().seconds) +
                           ", after the recording's length by the tag's start and end (" +
                           clockText(stated) + ")."});
        return;
    }
    // The clusters' stated times should about fill the tag's span; halved
    // Timecodes or a tag from a longer recording show here.
    if (!entries.front().seconds || !median) {
        return;
    }
    const double covered = *entries.back().seconds + *median - *entries.front().seconds;
    if (std::abs(covered - stated) > std::max(tolerance, kSpanShare * stated)) {
        out.push_back({"time-span-mismatch",
                       "The clusters' stated times cover " + clockText(covered) +
                           ", but the tag's start and end span " + clockText(stated) +
                           ": the Timecodes, the tag's times or the clusters present do not "
                           "agree."});
    }
}

}  // namespace

std::vector<TimelineWarning> timelineWarnings(const nvr::WalkEvidence& walk,
                                              const std::optional<double>& medianSeconds) {
    std::vector<TimelineWarning> out;
    tagChecks(walk.tag, out);
    if (walk.walked) {
        clusterChecks(walk.map, medianSeconds, out);
        lengthCheck(walk, medianSeconds, out);
    }
    return out;
}
