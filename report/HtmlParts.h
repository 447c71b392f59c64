#pragma once

// Pieces the HTML report is built from; internal to report/.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/HtmlReport.h"

namespace nvr::html {

// <tr><th>label</th><td>valueHtml</td></tr>; `label` is plain text.
std::string labelRow(const std::string& label, const std::string& valueHtml);
// The opening tag of a bordered table, also for layout engines without CSS borders.
const char* tableOpen();
// " (not verified)" marked for the eye.
const char* notVerified();
// "Success" green only where the origin is proven, "Failed" or "Not
// verified", marked for the eye (report/Wording.h decides which).
std::string verdictMarkup(const RecordingEvidence& evidence);
// "1,234,567 bytes"
std::string bytesText(int64_t bytes);
// Stated tag text escaped, or "—" when empty.
std::string statedText(const std::string& bytes);
// "… 12 more <what>" when `total` passes `shown`, else empty.
std::string moreLine(size_t total, size_t shown, const char* what);

// The evidence tables of one file.
void appendRuns(std::string& out, const RecordingEvidence& evidence, size_t limit);
void appendProvenance(std::string& out, const RecordingEvidence& evidence, size_t limit);
void appendCoverage(std::string& out, const RecordingEvidence& evidence, size_t limit);
void appendWarnings(std::string& out, const RecordingEvidence& evidence, size_t limit);

// Gaps, overlaps and same-byte files across the recordings.
void appendContinuity(std::string& out, const std::vector<RecordingEvidence>& files);

// The filmstrip of file `index`: each picture with its label and standing.
void appendFilmstrip(std::string& out, const std::vector<ReportPicture>& pictures, size_t index,
                     bool inlinePictures);

// The stills exported in the case (run.stills), at most `limit` of them,
// each with its custody event and record; nothing outside a case.
void appendStills(std::string& out, const ReportContext& run, size_t limit);

// `pictures`: the file's filmstrip, or null.
void appendFileSection(std::string& out, const RecordingEvidence& evidence, size_t index,
                       const std::vector<ReportPicture>* pictures,
                       const HtmlReportOptions& options);

}  // namespace nvr::html
