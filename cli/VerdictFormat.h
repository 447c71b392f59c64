#pragma once

#include <string>
#include <vector>

#include "signature/RecordingVerifier.h"

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

// One JSON array, an object per file in order; bytes that are not UTF-8
// appear as U+FFFD, so the output is always valid JSON.
std::string jsonReport(const std::vector<FileReport>& reports);
