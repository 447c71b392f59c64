#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture from a recording, made outside the core (the video layer) and
// shown as it is: decoding it decided nothing about the verdict.
struct ReportPicture {
    std::string label;         // e.g. "Cluster 15 · 00:00:14 · failed"
    bool verified = false;     // from a cluster whose signature held
    std::vector<uint8_t> png;  // empty: no picture, `reason` says why
    int width = 0;
    int height = 0;
    std::string reason;
};
