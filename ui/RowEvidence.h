#pragma once

#include "signature/RecordingEvidence.h"
#include "verification/VerifyResult.h"

// The evidence of a listed result for the report: the worker's, or, for a
// result never verified, its path alone.
RecordingEvidence evidenceOfRow(const VerifyResult& result);
