#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"

// How a set of recordings fits together in time. Only verified files
// (code 0) are placed, by their tag's serial number and times; files that
// are the same bytes are found among all of them.

struct ContinuityStep {
    size_t from = 0;      // index of the file whose end reaches furthest so far
    size_t to = 0;        // index of the next file by start time
    int64_t seconds = 0;  // start of `to` minus that end: > 0 gap, < 0 overlap
};

struct SerialContinuity {
    std::string serialNumber;
    std::vector<size_t> files;         // in time order
    std::vector<ContinuityStep> gaps;  // in time order
    std::vector<ContinuityStep> overlaps;
};

struct DuplicateFiles {
    std::string sha256;
    std::vector<size_t> files;  // in the order given
};

struct Continuity {
    std::vector<SerialContinuity> serials;  // by serial number
    std::vector<DuplicateFiles> duplicates;
    std::vector<size_t> unplaced;  // verified, but their times do not read
};

// Tag times are whole seconds, so a next start one second after an end is
// still continuous; anything later is a gap.
constexpr int64_t kContinuitySlackSeconds = 1;

Continuity continuityOf(const std::vector<RecordingEvidence>& files);
