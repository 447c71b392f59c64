#pragma once

#include <QString>
#include <vector>

#include "ui/ResultModel.h"

// The evidence pane's text as rich text. Every text from a file is escaped,
// so a serial number such as "<b>x</b>" reads literally.

// One file: verdict and why, where and when it failed, findings, provenance,
// coverage, timeline warnings, identity and the tag's statement.
QString evidenceHtml(const ResultModel::Row& row);
// Several files: each one's verdict in a line, then the continuity of the
// recordings per serial number (gaps, overlaps, duplicates) by their tags'
// stated times.
QString continuityHtml(const std::vector<const ResultModel::Row*>& rows);
