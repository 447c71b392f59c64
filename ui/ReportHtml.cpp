#include "ui/ReportHtml.h"

#include <QCoreApplication>
#include <QDateTime>

#include "signature/RecordingEvidence.h"
#include "ui/EvidenceText.h"

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ReportExport", text);
}

}  // namespace

ReportPages reportHtml(const ResultModel& model, const ExportRequest& request) {
    ReportPages pages;
    QString& html = pages.html;
    html = QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head><body>")
               .arg(tr("Verification report").toHtmlEscaped());
    html += QStringLiteral("<h2>%1</h2><p>%2<br>%3<br>%4</p>")
                .arg(tr("Verification report").toHtmlEscaped(),
                     tr("Examiner: %1").arg(request.examiner).toHtmlEscaped(),
                     tr("Case reference: %1").arg(request.caseReference).toHtmlEscaped(),
                     tr("Created: %1 UTC")
                         .arg(QDateTime::currentDateTimeUtc().toString(
                             QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                         .toHtmlEscaped());
    for (const int index : request.rows) {
        const ResultModel::Row& row = model.row(index);
        const RecordingEvidence* const evidence = row.result.evidence.get();
        html += QStringLiteral("<hr>");
        if (evidence != nullptr && !evidence->runs.empty()) {
            html += QStringLiteral("<p><img src=\"timeline:%1\" width=\"600\"></p>")
                        .arg(pages.timelines.size());
            pages.timelines.push_back(evidence);
        }
        html += evidenceHtml(row);
    }
    return pages;
}
