#pragma once

#include <vector>

#include "signature/RecordingEvidence.h"
#include "signature/WalkEvidence.h"

// What the walk's map means, in plain words: one finding per failing run
// (content altered, clusters inserted, removed, moved or spliced in, the
// recording cut short, the tag altered or unsigned), each with a stable
// code. `evidence` brings the verdict, the tag and the file's size; the
// median cluster duration must already be set.
std::vector<Finding> findingsOf(const nvr::WalkEvidence& walk, const RecordingEvidence& evidence);
