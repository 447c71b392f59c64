#pragma once

#include <optional>
#include <string>

#include "signature/RecordingEvidence.h"

// The evidence of one file read back from the JSON object jsonFileObject
// wrote (as a case file stores it), with the time and examiner of its
// verifier block. Strings come back byte for byte where the object kept
// their exact bytes (`kBytes`), else in their display form.
struct StoredEvidence {
    RecordingEvidence evidence;
    std::string verifiedAt;  // UTC, "YYYY-MM-DDThh:mm:ssZ"; empty when absent
    std::string verifier;    // the program that verified it
    std::string examiner;
};

// None when the text is not such an object (not JSON, not an object, or
// without a verdict code in range); unknown codes of a newer report read as
// the nearest known ("not-checked", no finding code change). Hostile input
// is safe: every member is checked before it is read.
std::optional<StoredEvidence> evidenceFromJson(const std::string& text);
