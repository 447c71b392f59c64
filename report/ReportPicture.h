#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"

// A picture from a recording, made outside the core (the video layer) and
// shown as it is: decoding it decided nothing about the verdict.
struct ReportPicture {
    // e.g. "Cluster 15 · 00:00:14 (08:00:14 as stated) · failed"
    std::string label;
    bool verified = false;     // from a proven cluster under an RSA tag (standing Proven)
    std::vector<uint8_t> png;  // empty: no picture, `reason` says why
    int width = 0;
    int height = 0;
    std::string reason;
    // How far its cluster is proven; `verified` wins when set.
    ClusterStanding standing = ClusterStanding::Failing;
    int64_t cluster = 0;  // the cluster it is the first picture of; 0 when none

    ClusterStanding shownStanding() const {
        return verified ? ClusterStanding::Proven : standing;
    }
};
