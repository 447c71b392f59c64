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

// Bytes fit for a terminal line: control characters become \xNN, so a
// hostile tag text cannot drive the terminal.
std::string printable(const std::string& bytes);

// "Success <name> <start> <end> <serial>" or "Failed <name> <reason>".
std::string textLine(const FileReport& report);

// For a failed file, the indented line that says where in time and what was
// found ("    at 00:00:14 (…, cluster 8): content-altered: …"); empty when
// the file verified or the evidence places nothing.
std::string failureLine(const RecordingEvidence& evidence);

// The text line of a file and, when it failed, its failure line below.
std::string textLines(const RecordingEvidence& evidence);
