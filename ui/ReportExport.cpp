#include "ui/ReportExport.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>
#include <climits>

#include "report/JsonReport.h"
#include "report/HtmlReport.h"
#include "report/ReportContext.h"
#include "signature/RecordingEvidence.h"
#include "ui/ResultText.h"
#include "ui/RowEvidence.h"
#include "ui/RowText.h"
#include "ui/TimelineView.h"

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ReportExport", text);
}

QString couldNotWrite(const QString& path, const QString& why) {
    return tr("Could not write %1: %2").arg(shownText(path), why);
}

// Every export goes through a temporary file beside the target (QSaveFile),
// renamed over it only when all is written: the target is the new report
// whole, or stays as it was.
QString writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return couldNotWrite(path, file.errorString());
    }
    return {};
}

std::vector<RecordingEvidence> evidencesOf(const ResultModel& model, const std::vector<int>& rows) {
    std::vector<RecordingEvidence> evidences;
    evidences.reserve(rows.size());
    for (const int row : rows) {
        evidences.push_back(evidenceOfRow(model.row(row).result));
    }
    return evidences;
}

// The pictures around each row's first failure, as the worker decoded them.
std::vector<std::vector<ReportPicture>> filmstripsOf(const ResultModel& model,
                                                     const std::vector<int>& rows) {
    std::vector<std::vector<ReportPicture>> strips;
    strips.reserve(rows.size());
    for (const int row : rows) {
        const auto& strip = model.row(row).result.filmstrip;
        strips.push_back(strip ? *strip : std::vector<ReportPicture>{});
    }
    return strips;
}

// Each decoded picture as the image its <img src="picture:N:K"> names.
void addPictures(QTextDocument& document, const std::vector<std::vector<ReportPicture>>& strips) {
    for (size_t n = 0; n < strips.size(); ++n) {
        for (size_t k = 0; k < strips[n].size(); ++k) {
            const std::vector<uint8_t>& png = strips[n][k].png;
            QImage image;
            if (!png.empty() && png.size() <= static_cast<size_t>(INT_MAX)) {
                image.loadFromData(png.data(), static_cast<int>(png.size()), "PNG");
            }
            if (!image.isNull()) {
                document.addResource(QTextDocument::ImageResource,
                                     QUrl(QStringLiteral("picture:%1:%2").arg(n).arg(k)), image);
            }
        }
    }
}

ReportContext contextOf(const ExportRequest& request) {
    ReportContext run = currentReportContext("telvar-authenticator", request.examiner.toStdString(),
                                             request.caseReference.toStdString());
    run.custodyEvents = request.custodyEvents;
    run.custodyHead = request.custodyHead.toStdString();
    return run;
}

// Paints the laid-out pages shrunk by `scale`, with "n / total" under each;
// false when the PDF engine could not start, turn a page or finish.
bool printPages(QTextDocument& document, QPdfWriter& writer, double scale, int footer) {
    QPainter painter;
    if (!painter.begin(&writer)) {
        return false;
    }
    const QSizeF page = document.pageSize();
    const int pages = document.pageCount();
    const QRect area = writer.pageLayout().paintRectPixels(writer.resolution());
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !writer.newPage()) {
            painter.end();
            return false;
        }
        painter.save();
        painter.scale(scale, scale);
        painter.translate(0, -i * page.height());
        document.drawContents(&painter, QRectF(QPointF(0, i * page.height()), page));
        painter.restore();
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
        painter.drawText(QRect(0, area.height() - footer, area.width(), footer),
                         Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("%1 / %2").arg(i + 1).arg(pages));
    }
    return painter.end();
}

// The core's report as PDF into `device`, laid out by Qt's rich-text
// engine, each timeline painted here and supplied as the image its
// <img src="timeline:N"> names; false when painting failed.
bool printPdf(const ResultModel& model, const ExportRequest& request, QIODevice& device) {
    const std::vector<RecordingEvidence> evidences = evidencesOf(model, request.rows);
    QPdfWriter writer(&device);
    writer.setPageSize(
        QPageSize(request.paper == PaperSize::A4 ? QPageSize::A4 : QPageSize::Letter));
    writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(tr("Verification report"));
    writer.setCreator(QStringLiteral("telvar-authenticator"));

    // Laid out a little larger than the page and shrunk onto it, so a
    // SHA-256 fits on one line beside its label on either paper.
    constexpr double kScale = 0.8;
    const int footer = writer.resolution() / 4;
    const QSize area = writer.pageLayout().paintRectPixels(writer.resolution()).size();
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setPageSize(QSizeF(area.width(), area.height() - footer) / kScale);
    document.setDocumentMargin(0);
    // The layout scales the pictures' CSS pixels to the writer's
    // resolution; painting them at that size keeps them sharp.
    const double imageScale = writer.resolution() / 96.0;
    for (size_t i = 0; i < evidences.size(); ++i) {
        if (!evidences[i].runs.empty()) {
            document.addResource(QTextDocument::ImageResource,
                                 QUrl(QStringLiteral("timeline:%1").arg(i)),
                                 TimelineView::render(evidences[i], imageScale));
        }
    }
    HtmlReportOptions options;
    options.inlineSvg = false;  // the timelines come from the resources above
    options.filmstrips = filmstripsOf(model, request.rows);
    options.inlinePictures = false;  // and so do the pictures
    options.custody = request.custody;
    addPictures(document, options.filmstrips);
    const QString html = QString::fromStdString(htmlReport(evidences, contextOf(request), options));
    document.setHtml(html);
    return printPages(document, writer, kScale, footer);
}

// Laid out into a temporary file that replaces the target only when the
// whole PDF is written (see writeBytes).
QString writePdf(const ResultModel& model, const ExportRequest& request) {
    QSaveFile file(request.path);
    if (!file.open(QIODevice::WriteOnly)) {
        return couldNotWrite(request.path, file.errorString());
    }
    if (!printPdf(model, request, file)) {
        file.cancelWriting();
        return couldNotWrite(request.path, tr("the PDF could not be painted"));
    }
    if (!file.commit()) {
        return couldNotWrite(request.path, file.errorString());
    }
    return {};
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
            return writeBytes(request.path, rowsAsCsv(model, request.rows));
        case ExportFormat::Json:
            return writeBytes(request.path,
                              QByteArray::fromStdString(jsonReport(evidencesOf(model, request.rows),
                                                                   contextOf(request), false)));
        case ExportFormat::Html: {
            HtmlReportOptions options;
            options.filmstrips = filmstripsOf(model, request.rows);
            options.custody = request.custody;
            return writeBytes(request.path,
                              QByteArray::fromStdString(htmlReport(evidencesOf(model, request.rows),
                                                                   contextOf(request), options)));
        }
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
