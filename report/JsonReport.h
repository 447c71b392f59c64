#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "report/ReportContext.h"
#include "report/ReportSink.h"
#include "signature/RecordingEvidence.h"

// The report format's version; raised when a key changes meaning or goes.
constexpr int kReportVersion = 2;

// One file's report as a self-contained JSON object (docs/report-format.md):
// the verdict's keys as ever, the file's identity, the tag as stated, the
// evidence and the verifier. `clusters` adds every cluster, when the
// evidence kept them. Its strings are the raw bytes: dump it with dumpJson,
// which shows them in the display form with the exact bytes beside.
nlohmann::json jsonFileObject(const RecordingEvidence& evidence, const ReportContext& run,
                              bool clusters);

// One JSON array, an object per file in order (jsonFileObject), its texts
// in the display form with the exact bytes beside those that needed it
// (dumpJson), so the output is always valid JSON.
std::string jsonReport(const std::vector<RecordingEvidence>& files, const ReportContext& run,
                       bool clusters);
// The same bytes, written into `sink` an object at a time; false when the
// sink refused a piece.
bool writeJsonReport(const ReportFiles& files, const ReportContext& run, bool clusters,
                     ReportSink& sink);

// One file's object on one line, for --jsonl.
std::string jsonLine(const RecordingEvidence& evidence, const ReportContext& run, bool clusters);

// The verifier block alone.
nlohmann::json jsonVerifier(const ReportContext& run);
