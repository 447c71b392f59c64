#pragma once

#include <functional>
#include <string>
#include <vector>

#include "report/ReportContext.h"
#include "report/ReportSink.h"
#include "signature/RecordingEvidence.h"

// The verified files as text for other programs: one line per file with
// name, path, verdict, reason, serial, start, end, first failure time,
// SHA-256, verification time, for a Success whether it proves the
// recording's origin (under an HMAC tag it does not, and says why), the
// examiner and case reference of the run, and, made from a case, the
// custody log's head, the report's own export event and the examiner's key
// (on every line, so a line copied or filtered on its own keeps them, and a
// spreadsheet still takes the first line as the titles). Every field is in the display form (report/Escape.h displayText); one that a
// spreadsheet would run as a formula (beginning with =, +, -, @, tab or
// carriage return) is prefixed with an apostrophe.

// One file as a line: its evidence and what only the caller knows.
struct CsvRow {
    const RecordingEvidence* evidence = nullptr;  // never null
    std::string name;                             // as listed, without directory
    std::string path;                             // as verified
    std::string verifiedAt;                       // "YYYY-MM-DD hh:mm:ss UTC", or empty
    std::string examiner;                         // as given for the run; may be empty
    std::string caseReference;
    // The custody log's head, the export event and the examiner's key, when
    // the line comes from a case; null otherwise (those cells stay empty).
    const ReportContext* custody = nullptr;
};

// The columns that describe the file, before the run's examiner, case and custody.
constexpr size_t kCsvFileColumns = 11;

// The column titles of csvFields.
std::vector<std::string> csvTitles();
// The fields of one line, in the order above, each defused.
std::vector<std::string> csvFields(const CsvRow& row);

// The cell made harmless for a spreadsheet.
std::string defused(const std::string& cell);

// RFC 4180 CSV: the title line, then one line per row; CRLF line ends,
// quotes where needed.
std::string csvLine(const std::vector<std::string>& fields);
std::string csvReport(const std::vector<CsvRow>& rows);
// The same, streamed: the title line, then a line per file of `files`, whose
// other parts `lineOf(i)` gives (its evidence is filled in here). False
// when the sink refused a line.
bool writeCsvReport(const ReportFiles& files, const std::function<CsvRow(size_t)>& lineOf,
                    ReportSink& sink);

// "YYYY-MM-DD hh:mm:ss UTC" of a report context's "YYYY-MM-DDThh:mm:ssZ";
// empty when it does not read so.
std::string csvTime(const std::string& isoUtc);
