#include "report/Timeline.h"

// The run's standing; a failing one draws as its kind of failure.
TimelineMark markOf(const ClusterRun& run, ProofKey key) {
    const ClusterStanding standing = standingOf(run, key);
    if (standing == ClusterStanding::Failing) {
        switch (run.status) {
            case ClusterStatus::Error:
                return TimelineMark::Error;
            case ClusterStatus::Unsigned:
                return TimelineMark::Unsigned;
            default:
                return TimelineMark::Mismatch;
        }
    }
    return markOf(standing);
}

TimelineMark markOf(ClusterStanding standing) {
    switch (standing) {
        case ClusterStanding::Proven:
            return TimelineMark::Proven;
        case ClusterStanding::Sealed:
            return TimelineMark::Sealed;
        case ClusterStanding::LinkHolds:
            return TimelineMark::LinkHolds;
        case ClusterStanding::OutOfPlace:
            return TimelineMark::OutOfPlace;
        case ClusterStanding::Failing:
            return TimelineMark::Mismatch;
        case ClusterStanding::NotChecked:
            break;
    }
    return TimelineMark::NotChecked;
}

namespace {

// What each mark looks like and says, in one place.
struct MarkLook {
    const char* colour;
    const char* label;
    const char* meaning;
};

// One palette for the report and the window. Sealed is blue and a link
// that merely holds a muted grey-brown: neither can pass for the green of
// proof.
MarkLook lookOf(TimelineMark mark) {
    switch (mark) {
        case TimelineMark::Proven:
            return {"#2e7d32", "verified",
                    "Verified: tied to the recorder tag's signed final value, which takes the "
                    "recorder's private key."};
        case TimelineMark::Sealed:
            return {"#5c7fb8", "sealed with the built-in key",
                    "Sealed with the built-in key, which every copy of this program holds: "
                    "unchanged against anyone without this program, but no proof of which "
                    "device made it."};
        case TimelineMark::LinkHolds:
            return {"#a1887f", "links hold, not tied to the tag",
                    "Links hold, not tied to the tag: each signature holds under the value "
                    "stored before it, which anyone can recompute; nothing ties these clusters "
                    "to the recorder tag."};
        case TimelineMark::OutOfPlace:
            return {"#e91e8c", "recorder's bytes, out of place",
                    "The recorder's own bytes, found through a key trial, but not in the place "
                    "the recorder put them."};
        case TimelineMark::Mismatch:
            return {"#d32f2f", "signature mismatch",
                    "Signature mismatch: not as the recorder signed it."};
        case TimelineMark::Unsigned:
            return {"#f9a825", "unsigned", "Unsigned: no signature covers these clusters."};
        case TimelineMark::Error:
            return {"#6a1b9a", "error", "Error: the file could not be read here."};
        case TimelineMark::NotChecked:
            break;
    }
    return {"#bdbdbd", "not checked", "Not checked: the walk did not reach these clusters."};
}

}  // namespace

const char* timelineColour(TimelineMark mark) {
    return lookOf(mark).colour;
}

const char* frameStandingColour(const std::optional<ClusterStanding>& standing) {
    return timelineColour(standing ? markOf(*standing) : TimelineMark::Unsigned);
}

const char* timelineLabel(TimelineMark mark) {
    return lookOf(mark).label;
}

const char* timelineMeaning(TimelineMark mark) {
    return lookOf(mark).meaning;
}

const std::vector<TimelineMark>& timelineMarks() {
    static const std::vector<TimelineMark> kAll = {
        TimelineMark::Proven,   TimelineMark::Sealed, TimelineMark::LinkHolds,
        TimelineMark::OutOfPlace, TimelineMark::Mismatch, TimelineMark::Error,
        TimelineMark::Unsigned, TimelineMark::NotChecked};
    return kAll;
}

std::vector<TimelineMark> marksShown(const RecordingEvidence& evidence) {
    bool seen[8] = {};
    for (const ClusterRun& run : evidence.runs) {
        seen[static_cast<size_t>(markOf(run, evidence.proofKey))] = true;
    }
    std::vector<TimelineMark> shown;
    for (const TimelineMark mark : timelineMarks()) {
        if (seen[static_cast<size_t>(mark)]) {
            shown.push_back(mark);
        }
    }
    return shown;
}
