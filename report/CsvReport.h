#pragma once

#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"

// The verified files as text for other programs: one line per file with
// name, path, verdict, reason, serial, start, end, first failure time,
// SHA-256, verification time and, for a Success, whether it proves the
// recording's origin (under an HMAC tag it does not, and says why). Every
// field is in the display form (report/Escape.h displayText); one that a
// spreadsheet would run as a formula (beginning with =, +, -, @, tab or
// carriage return) is prefixed with an apostrophe.

// One file as a line: its evidence and what only the caller knows.
struct CsvRow {
    const RecordingEvidence* evidence = nullptr;  // never null
    std::string name;                             // as listed, without directory
    std::string path;                             // as verified
    std::string verifiedAt;                       // "YYYY-MM-DD hh:mm:ss UTC", or empty
};

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

// "YYYY-MM-DD hh:mm:ss UTC" of a report context's "YYYY-MM-DDThh:mm:ssZ";
// empty when it does not read so.
std::string csvTime(const std::string& isoUtc);
