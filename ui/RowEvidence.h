#pragma once

#include "signature/RecordingEvidence.h"
#include "verification/VerifyResult.h"

// The evidence of a listed result for the report: the worker's, or, for a
// result that carries none, its verdict and path alone.
RecordingEvidence evidenceOfRow(const VerifyResult& result);
