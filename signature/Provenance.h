#pragma once

#include "signature/RecordingEvidence.h"
#include "signature/WalkEvidence.h"

// What the signatures prove about who sealed the recording, in plain words.
Provenance provenanceOf(const nvr::WalkEvidence& walk);

// Which bytes a checked signature covers, against the file's size, and the
// parts no signature covers by the format's design.
Coverage coverageOf(const nvr::WalkEvidence& walk, int64_t fileSize);
