#pragma once

#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/PdfReport.h"
#include "ui/ResultModel.h"

// Writing a report of some rows to a file, in the format the user chose.

enum class ExportFormat { Pdf, Html, Csv, Json };

struct ExportRequest {
    ExportFormat format = ExportFormat::Pdf;
    PaperSize paper = PaperSize::A4;
    QString examiner;
    QString caseReference;
    std::vector<int> rows;  // model rows, in report order
    QString path;           // the file to write
    // The case's custody log as it stands (sealed), the number the export's
    // own event takes and the examiner's key, printed in the report: the
    // custody fields of this context.
    ReportContext custody;
    // The case the rows are in, when there is one: the writer reads from it,
    // on a connection of its own, each row's custody events (HTML and PDF)
    // and the evidence of a row not yet read (a reopened case's), so the
    // window does not wait on a large case.
    QString casePath;
};

// How far an export has got, and its cancel; shared with the thread that
// writes it.
struct ExportProgress {
    std::atomic<size_t> done{0};   // steps taken
    std::atomic<size_t> total{0};  // steps in all, set when the writing starts
    std::atomic<bool> cancelled{false};
};

// The rows to export as they are now: the list may change while an export
// is written. Cheap: the evidence and pictures are shared, not copied, and
// a reopened row's is not read here.
std::vector<VerifyResult> exportRows(const ResultModel& model, const std::vector<int>& rows);

// Writes the report of `rows` (request.rows is not read), a file at a time,
// through a temporary file that replaces the target only when all is
// written. Returns an error text, empty on success. Cancelled through
// `progress`, it leaves the target as it was and returns exportCancelled().
QString writeExport(const std::vector<VerifyResult>& rows, const ExportRequest& request,
                    ExportProgress* progress = nullptr);
// The rows of request.rows, on the calling thread.
QString writeExport(const ResultModel& model, const ExportRequest& request);
QString exportCancelled();
// Lower-case hex SHA-256 of the file, empty when it cannot be read.
QString fileSha256(const QString& path);
// The file name suffix of a format, without the dot.
QString formatSuffix(ExportFormat format);
// The format a file's name asks for by its suffix, in any case; none when
// it ends in no format's suffix.
std::optional<ExportFormat> formatOfName(const QString& path);
