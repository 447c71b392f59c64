#pragma once

#include <QIODevice>
#include <functional>
#include <string>
#include <vector>

#include "report/ReportContext.h"
#include "report/ReportSink.h"

enum class PaperSize { A4, Letter };

// The core's HTML report as PDF, laid out by Qt's rich-text engine a part
// at a time and painted page by page as each part is laid out: the title
// and summary in runs of rows, then each file's section from a new page,
// then the continuity and the verifier. Memory holds one part, so it stays
// bounded however many files there are. Usable off the GUI thread.
// `keepGoing` is asked between parts; false stops the writing. Returns
// false when painting failed or was stopped. `custody` holds, per file, its
// custody events in a case (none outside a case).
bool printPdfReport(const ReportFiles& files, const ReportContext& run, PaperSize paper,
                    QIODevice& device, const std::function<bool()>& keepGoing,
                    const std::vector<std::vector<std::string>>& custody = {});
