#pragma once

#include <string>

#include "signature/RecordingEvidence.h"

// The picture's size and where the bar lies in it; the window paints its
// own picture of the same size from timelineOf.
constexpr int kTimelineWidth = 780;
constexpr int kTimelineHeight = 64;
constexpr int kTimelineBarLeft = 30;
constexpr int kTimelineBarWidth = 720;
constexpr int kTimelineBarTop = 6;
constexpr int kTimelineBarHeight = 30;

// An inline SVG of the timeline: at most two rectangles per pixel column
// and eight ticks, whatever the number of clusters. Empty when the
// evidence maps no clusters.
std::string timelineSvg(const RecordingEvidence& evidence);
