#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/ResultModel.h"

// Writing a report of some rows to a file, in the format the user chose.

enum class ExportFormat { Pdf, Html, Csv, Json };
enum class PaperSize { A4, Letter };

struct ExportRequest {
    ExportFormat format = ExportFormat::Pdf;
    PaperSize paper = PaperSize::A4;
    QString examiner;
    QString caseReference;
    std::vector<int> rows;  // model rows, in report order
    QString path;           // the file to write
    // The case's custody log as it stands, printed in the report.
    std::optional<int64_t> custodyEvents;
    QString custodyHead;
    // Per row of `rows`: its custody events, as lines (HTML and PDF).
    std::vector<std::vector<std::string>> custody;
};

// Writes the report; returns an error text, empty on success.
QString writeExport(const ResultModel& model, const ExportRequest& request);
// Lower-case hex SHA-256 of the file, empty when it cannot be read.
QString fileSha256(const QString& path);
// The file name suffix of a format, without the dot.
QString formatSuffix(ExportFormat format);
