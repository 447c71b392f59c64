#include "report/Timeline.h"

// One palette for the report and the window.
const char* timelineColour(ClusterStatus status) {
    switch (status) {
        case ClusterStatus::Verified:
            return "#2e7d32";
        case ClusterStatus::Mismatch:
            return "#d32f2f";
        case ClusterStatus::Unsigned:
            return "#f9a825";
        case ClusterStatus::Error:
            return "#6a1b9a";
        case ClusterStatus::NotChecked:
            break;
    }
    return "#bdbdbd";
}

const char* timelineLabel(ClusterStatus status) {
    switch (status) {
        case ClusterStatus::Verified:
            return "verified";
        case ClusterStatus::Mismatch:
            return "signature mismatch";
        case ClusterStatus::Unsigned:
            return "unsigned";
        case ClusterStatus::Error:
            return "error";
        case ClusterStatus::NotChecked:
            break;
    }
    return "not checked";
}

const std::vector<ClusterStatus>& timelineStatuses() {
    static const std::vector<ClusterStatus> kAll = {
        ClusterStatus::Verified, ClusterStatus::Mismatch, ClusterStatus::Error,
        ClusterStatus::Unsigned, ClusterStatus::NotChecked};
    return kAll;
}
