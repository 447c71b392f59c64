#pragma once

#include <string>

#include "signature/RecordingEvidence.h"

// One verified file as the command line reports it.
struct FileReport {
    std::string path;  // as given
    RecordingVerdict verdict;
};

// The file name without its directory.
std::string baseName(const std::string& path);

// "Success <name> <start> <end> <serial>" or "Failed <name> <reason>";
// the texts in the display form (displayText), so nothing from a file
// can drive the terminal or disguise itself.
std::string textLine(const FileReport& report);

// For a failed file, the indented line that says where in time and what was
// found first ("    at 00:00:14 (…, cluster 8): content-altered: …"); empty
// when the file verified or the evidence places nothing.
std::string failureLine(const RecordingEvidence& evidence);

// The text line of a file; under a Success that proves no origin (an HMAC
// tag), an indented line that says so; when it failed, its failure line
// below, then an indented line for each further finding.
std::string textLines(const RecordingEvidence& evidence);
