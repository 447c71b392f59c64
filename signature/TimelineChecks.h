#pragma once

#include <vector>

#include "signature/RecordingEvidence.h"
#include "signature/WalkEvidence.h"

// Checks on the times no signature covers: the clusters' Timecodes and the
// tag's start and end. Warnings only; they never change the verdict.
std::vector<TimelineWarning> timelineWarnings(const nvr::WalkEvidence& walk,
                                              const std::optional<double>& medianSeconds);
