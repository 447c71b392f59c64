#pragma once

#include <QString>
#include <vector>

#include "ui/ReportExport.h"
#include "ui/ResultModel.h"

struct RecordingEvidence;

// The report of the requested rows as one HTML document. Each file with a
// timeline has an <img src="timeline:N"> for the picture; timelines[N] is
// its evidence (null when the file has none).
struct ReportPages {
    QString html;
    std::vector<const RecordingEvidence*> timelines;
};

ReportPages reportHtml(const ResultModel& model, const ExportRequest& request);
