#pragma once

#include <optional>
#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"

// A recording's clusters drawn as a bar along its time. Both the HTML
// report's SVG and the window's painted picture come from this, so they
// show the same spans, ticks and colours.

// What a span of the bar shows: how far the proof of its clusters goes,
// and for failing ones which failure. Only Proven is "verified" and green:
// a link that holds is recomputable by anyone, and the built-in HMAC key
// is in every copy of this program.
enum class TimelineMark : uint8_t {
    Proven,      // tied to the tag's signed final value under an RSA tag
    Sealed,      // tied to it under an HMAC tag
    LinkHolds,   // its signature holds, nothing ties it to the tag
    OutOfPlace,  // the recorder's bytes found through a key trial, elsewhere
    Mismatch,
    Error,
    Unsigned,
    NotChecked,
};

TimelineMark markOf(const ClusterRun& run, ProofKey key);
// The mark of a standing; a failing one draws as a mismatch.
TimelineMark markOf(ClusterStanding standing);

// "#rrggbb" for a mark: distinct in colour, and the failures in lightness
// too, so the bar still reads in grey print. Only Proven is green.
const char* timelineColour(TimelineMark mark);
// The colour of a frame's standing; a frame outside the signatures has
// the colour of unsigned clusters: nothing signed covers either.
const char* frameStandingColour(const std::optional<ClusterStanding>& standing);
// A short legend word: "verified", "sealed with the built-in key", "links
// hold, not tied to the tag", "out of place", "signature mismatch", …
const char* timelineLabel(TimelineMark mark);
// What the mark means, in a sentence for a hover or a note.
const char* timelineMeaning(TimelineMark mark);
// Every mark, in the order a legend lists them.
const std::vector<TimelineMark>& timelineMarks();
// The marks that the runs of `evidence` show, in legend order.
std::vector<TimelineMark> marksShown(const RecordingEvidence& evidence);

// Pixel columns [x0, x1) of one mark.
struct TimelineSpan {
    int x0 = 0;
    int x1 = 0;
    TimelineMark mark = TimelineMark::NotChecked;
    // Runs whose stated times overlap here: `mark` is the most serious of
    // them and fills the bar's upper half, this the least and fills the
    // lower half, so that a failure stated at a proven time hides neither.
    std::optional<TimelineMark> beneath;
};

// Where a split span's two marks lie in a bar `height` high, from its top:
// a gap between them keeps them apart in grey print too.
struct TimelineHalves {
    int upperHeight = 0;
    int lowerTop = 0;
    int lowerHeight = 0;
};
TimelineHalves timelineHalves(int height);
// "signature mismatch" or, for a split span, "signature mismatch over
// verified, at overlapping stated times": a hover names what it shows.
std::string timelineSpanLabel(const TimelineSpan& span);

// Where a run lies along the axis, in the axis's units.
struct TimelineExtent {
    double from = 0.0;
    double to = 0.0;
    // In seconds: the run's stated end lies before its own last cluster, so
    // it is drawn to that cluster's time plus the median duration.
    bool endEstimated = false;
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
    std::vector<TimelineExtent> extents;  // one per run, in order
};

// The timeline `width` pixels wide. A column holding several marks shows
// the most serious one, so a single failing cluster never disappears among
// thousands that verified, nor a link that merely holds among proven ones.
// Where runs of different marks overlap in stated time (not merely meet in
// one column), the column is split (see TimelineSpan::beneath).
Timeline timelineOf(const RecordingEvidence& evidence, int width);
