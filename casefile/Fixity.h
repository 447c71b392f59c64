#pragma once

#include <optional>
#include <string>

#include "signature/FindingCode.h"

// Whether a recording's bytes are still those added to the case. Never
// touches the verdict: the signatures decide that alone.
enum class Fixity {
    Intake,      // added now: this hash is the intake hash
    Unchanged,   // the same SHA-256 as at intake
    Changed,     // another SHA-256 than at intake
    Missing,     // no file at the recorded path
    Unreadable,  // a file is there, but its SHA-256 could not be taken
    NoIntake,    // no intake hash to compare with (the file was unreadable when added)
};

// Stable codes, stored: "intake", "unchanged", "changed", "missing",
// "unreadable", "no-intake".
const char* fixityCode(Fixity fixity);
std::optional<Fixity> fixityFromCode(const std::string& code);

// A recording's file as it is now.
struct FileFacts {
    std::string path;                   // absolute, as bytes
    std::optional<int64_t> size;
    std::optional<std::string> modified;  // UTC, from the file system
    std::optional<std::string> sha256;    // none when it could not be taken
    bool missing = false;                 // nothing at the path
};

struct FixityCheck {
    Fixity state = Fixity::Intake;
    std::optional<std::string> intakeSha256;
    std::string addedAt;  // UTC, when the recording was added
    std::optional<std::string> nowSha256;
};

FixityCheck compareWithIntake(const std::optional<std::string>& intakeSha256,
                              const std::string& addedAt, const FileFacts& now);

// The finding for a changed, missing or unreadable file, as a stable code
// and a sentence; none when there is nothing to say.
struct FixityFinding {
    FindingCode code;
    std::string text;
};
std::optional<FixityFinding> fixityFinding(const FixityCheck& check);
