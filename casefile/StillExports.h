#pragma once

#include <cstddef>
#include <vector>

#include "report/ReportContext.h"

class CaseFile;

// The stills exported from the player in the case, oldest first, for a
// report: at most `limit` of them, each with the record beside its PNG when
// that file has the SHA-256 its event holds; how many more there are goes
// into `leftOut`. A path from the case is only read as a small regular file.
std::vector<ExportedStill> exportedStills(const CaseFile& file, size_t limit, size_t& leftOut);

// Both into the report's context.
void addExportedStills(const CaseFile& file, ReportContext& run);
