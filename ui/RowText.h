#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "report/CsvReport.h"
#include "ui/ResultModel.h"

// The rows as text for other programs, in the report's CSV format
// (report/CsvReport.h): name, path, verdict, reason, serial, start, end,
// first failure time, SHA-256, verification time and, for a Success,
// whether it proves the recording's origin; every field in the display
// form and defused for spreadsheets. The CSV export adds the examiner and
// the case (see ReportExport).

// The fields of one row, in the order above.
QStringList rowFields(const ResultModel::Row& row);
// The column titles of rowFields.
QStringList rowFieldTitles();

// A result's CSV line but for its evidence and the run's examiner and case.
CsvRow csvRowOf(const VerifyResult& result);
// Tab-separated lines for the clipboard; tabs and line breaks inside a
// field become spaces.
QString rowsAsTabText(const ResultModel& model, const std::vector<int>& rows);
