#pragma once

#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"

// A recording's clusters drawn as a bar along its time. Both the HTML
// report's SVG and the window's painted picture come from this, so they
// show the same spans, ticks and colours.

// "#rrggbb" for a status: distinct in colour and in lightness, so the
// bar still reads in grey print.
const char* timelineColour(ClusterStatus status);
// "verified", "signature mismatch", "unsigned", "error", "not checked".
const char* timelineLabel(ClusterStatus status);
// Every status, in the order a legend lists them.
const std::vector<ClusterStatus>& timelineStatuses();

// Pixel columns [x0, x1) of one status.
struct TimelineSpan {
    int x0 = 0;
    int x1 = 0;
    ClusterStatus status = ClusterStatus::NotChecked;
};

struct TimelineTick {
    int x = 0;
    std::string label;
};

struct Timeline {
    // Seconds from the start of the recording along the axis when every run
    // has its start time; else the position in the file, in bytes.
    bool inSeconds = false;
    bool wallClock = false;  // tick labels are the tag's start time plus the offset
    double origin = 0.0;
    double length = 0.0;
    std::vector<TimelineSpan> spans;  // at most one per pixel column
    std::vector<TimelineTick> ticks;  // at most eight
};

// The timeline `width` pixels wide. A column holding several statuses shows
// the most serious one, so a single failing cluster never disappears among
// thousands that verified.
Timeline timelineOf(const RecordingEvidence& evidence, int width);
