#pragma once

#include <string>
#include <vector>

#include "casefile/CustodyLog.h"
#include "report/ReportContext.h"

class CaseFile;
class ExaminerKey;

// Checks of a case against what was kept outside it: a head printed by an
// earlier run, or a report exported from it (docs/case-file.md).
struct HeadCheck {
    bool found = false;
    std::string text;  // a sentence for the examiner
};

// `kept` is "N:HASH", HASH at least 16 hex digits of event N's SHA-256.
// Call after an audit that found the log intact.
HeadCheck checkKeptHead(const CaseFile& file, const std::string& kept);

// Finds the export event whose SHA-256 is that of the file at `reportPath`.
HeadCheck checkKeptReport(const CaseFile& file, const AuditResult& audit,
                          const std::string& reportPath);

// The head (with its seal) and the examiner's key, for a report's
// verifier block; `key` may be null.
void describeHead(const ChainHead& head, const ExaminerKey* key, ReportContext& run);

// The audit's word on seals: one line per seal, then the events no seal
// covers, then what older events leave unvouched.
std::vector<std::string> sealLines(const AuditResult& result);
