#include "ui/ReportExport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include "cli/VerdictFormat.h"
#include "signature/RecordingEvidence.h"
#include "ui/ReportHtml.h"
#include "ui/RowText.h"
#include "ui/TimelineView.h"

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ReportExport", text);
}

QString writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return tr("Could not write %1: %2").arg(path, file.errorString());
    }
    return {};
}

QByteArray jsonOf(const ResultModel& model, const std::vector<int>& rows) {
    std::vector<FileReport> reports;
    for (const int row : rows) {
        const VerifyResult& result = model.row(row).result;
        FileReport report;
        report.path = QFile::encodeName(result.path).toStdString();
        if (result.evidence != nullptr) {
            report.verdict = result.evidence->verdict;
        } else {
            report.verdict.code = result.code;
            report.verdict.errorText = result.errorText.toStdString();
            report.verdict.detail = result.detail.toStdString();
        }
        reports.push_back(std::move(report));
    }
    return QByteArray::fromStdString(jsonReport(reports));
}

// The report laid out by Qt's rich-text engine, its timeline pictures
// supplied as resources.
QString writePdf(const ResultModel& model, const ExportRequest& request) {
    QTextDocument document;
    const ReportPages pages = reportHtml(model, request);
    for (size_t i = 0; i < pages.timelines.size(); ++i) {
        const RecordingEvidence* const evidence = pages.timelines[i];
        if (evidence != nullptr) {
            document.addResource(QTextDocument::ImageResource,
                                 QUrl(QStringLiteral("timeline:%1").arg(i)),
                                 TimelineView::render(*evidence, QSize(900, 70)));
        }
    }
    document.setHtml(pages.html);
    QPdfWriter writer(request.path);
    writer.setPageSize(
        QPageSize(request.paper == PaperSize::A4 ? QPageSize::A4 : QPageSize::Letter));
    writer.setResolution(300);
    writer.setTitle(tr("Verification report"));
    writer.setCreator(QCoreApplication::applicationName());
    document.print(&writer);
    return QFile(request.path).size() > 0 ? QString() : tr("Could not write %1").arg(request.path);
}

}  // namespace

QString formatSuffix(ExportFormat format) {
    switch (format) {
        case ExportFormat::Pdf:
            return QStringLiteral("pdf");
        case ExportFormat::Html:
            return QStringLiteral("html");
        case ExportFormat::Csv:
            return QStringLiteral("csv");
        case ExportFormat::Json:
        default:
            return QStringLiteral("json");
    }
}

QString writeExport(const ResultModel& model, const ExportRequest& request) {
    switch (request.format) {
        case ExportFormat::Csv:
            return writeBytes(request.path, rowsAsCsv(model, request.rows).toUtf8());
        case ExportFormat::Json:
            return writeBytes(request.path, jsonOf(model, request.rows));
        case ExportFormat::Html:
            return writeBytes(request.path, reportHtml(model, request).html.toUtf8());
        case ExportFormat::Pdf:
        default:
            return writePdf(model, request);
    }
}

QString fileSha256(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        return {};
    }
    return QString::fromLatin1(hash.result().toHex());
}
