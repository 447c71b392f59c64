#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "ui/ResultModel.h"

// The rows as text for other programs: one line per file with name, path,
// verdict, reason, serial, start, end, first failure time, SHA-256,
// verification time and, for a Success, whether it proves the recording's
// origin (under an HMAC tag it does not, and says why). Texts from a file that a spreadsheet would run as a
// formula (beginning with =, +, -, @, tab or carriage return) are prefixed
// with an apostrophe.

// The fields of one row, in the order above.
QStringList rowFields(const ResultModel::Row& row);
// The column titles of rowFields.
QStringList rowFieldTitles();

// The cell made harmless for a spreadsheet.
QString defused(const QString& cell);

// RFC 4180 CSV with a title line; CRLF line ends, quotes where needed.
QString rowsAsCsv(const ResultModel& model, const std::vector<int>& rows);
// Tab-separated lines for the clipboard; tabs and line breaks inside a
// field become spaces.
QString rowsAsTabText(const ResultModel& model, const std::vector<int>& rows);
