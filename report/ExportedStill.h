#pragma once

#include <cstdint>
#include <string>

// A still exported from the player into a case, as a report lists it: its
// custody event, and the record written beside it when that file is the
// one the event's hash names (docs/case-file.md).
struct ExportedStill {
    int64_t event = 0;
    std::string at;        // UTC, as the event holds it
    std::string examiner;  // who exported it
    std::string pngPath;   // bytes, as the event holds them
    std::string pngSha256;
    std::string recordSha256;  // as the event holds it; empty when it names none
    std::string recordPath;    // bytes: beside the PNG
    // The record's JSON, only when its SHA-256 is recordSha256: anything
    // else there proves nothing about the still.
    std::string record;
    std::string recordProblem;  // why `record` is empty, as a sentence
};
