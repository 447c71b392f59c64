#pragma once

#include <string>

#include "signature/RecordingEvidence.h"

// Why a file did not verify, in a few neutral words for a list or a column:
// what was seen, never a cause ("signature does not hold", "not signed",
// "content outside the signatures", "cut short", "not a Matroska file",
// "empty file", ...). Taken from the first finding, or from the verdict
// when there is none. Empty for a success, unless the file changed since
// it was added to its case: that is named after the verdict's reason
// ("bytes changed since added to the case"), since it holds whatever the signatures
// say.
std::string shortReason(const RecordingEvidence& evidence);

// When in the recording the first failure lies, by the times the file
// states: "2026-12-01 08:00:14 (00:00:14 as stated)" or "00:00:14 as
// stated"; empty when the failure has no time (the tag, the file's start).
std::string firstFailureWhen(const RecordingEvidence& evidence);
