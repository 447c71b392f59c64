#include "ui/ReportExport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>

#include "casefile/CaseError.h"
#include "report/CsvReport.h"
#include "report/HtmlReport.h"
#include "report/JsonReport.h"
#include "report/ReportContext.h"
#include "signature/RecordingEvidence.h"
#include "ui/ResultText.h"
#include "ui/RowEvidence.h"
#include "ui/RowText.h"
#include "verification/CaseStore.h"
#include "verification/PathBytes.h"
#include "verification/RemadePictures.h"

namespace {

QString trExport(const char* text) {
    return QCoreApplication::translate("ReportExport", text);
}

QString couldNotWrite(const QString& path, const QString& why) {
    return trExport("Could not write %1: %2").arg(shownText(path), why);
}

bool cancelled(const ExportProgress* progress) {
    return progress != nullptr && progress->cancelled.load();
}

// The report's bytes into a temporary file beside the target (QSaveFile),
// renamed over it only when all is written: the target is the new report
// whole, or stays as it was.
class SaveFileSink : public ReportSink {
  public:
    SaveFileSink(const QString& path, const ExportProgress* shared)
        : file(path), progress(shared) {}

    bool open() { return file.open(QIODevice::WriteOnly); }

    bool write(std::string_view bytes) override {
        if (cancelled(progress)) {
            return false;
        }
        const auto size = static_cast<qint64>(bytes.size());
        return file.write(bytes.data(), size) == size;
    }

    QSaveFile file;

  private:
    const ExportProgress* progress;
};

// The rows as the writer reads them. A row still only in the case is read
// from it here, on the writer's own connection (the window's belongs to its
// thread), one thread at a time: the PDF lays out on two.
class ExportedRows {
  public:
    ExportedRows(const std::vector<VerifyResult>& rows_, std::unique_ptr<CaseStore> store_)
        : rows(rows_), store(std::move(store_)) {}

    size_t size() const { return rows.size(); }
    QDateTime verifiedAt(size_t i) const { return rows.at(i).verifiedAt; }

    VerifyResult at(size_t i) {
        const VerifyResult& row = rows.at(i);
        if (row.storedVerification == 0 || store == nullptr) {
            return row;
        }
        const std::lock_guard<std::mutex> lock(mutex);
        return withStoredEvidence(row, store->loadEvidence(row.storedVerification));
    }

    // Each row's custody events as lines; none without a case, nothing
    // when cancelled.
    std::optional<std::vector<std::vector<std::string>>> custody(const ExportProgress* progress) {
        std::vector<std::vector<std::string>> lines(store != nullptr ? rows.size() : 0);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (cancelled(progress)) {
                return std::nullopt;
            }
            lines[i] = store->custodyLines(rows[i].path);
        }
        return lines;
    }

  private:
    const std::vector<VerifyResult>& rows;
    std::unique_ptr<CaseStore> store;
    std::mutex mutex;
};

// The rows as the report's files: each row's evidence when the writer
// comes to it, each fetch a step of the progress.
ReportFiles filesOf(ExportedRows& rows, ExportProgress* progress) {
    ReportFiles files;
    files.count = rows.size();
    files.evidence = [&rows, progress](size_t i) {
        if (progress != nullptr) {
            ++progress->done;
        }
        const VerifyResult result = rows.at(i);
        if (result.evidence != nullptr) {
            return result.evidence;
        }
        return std::shared_ptr<const RecordingEvidence>(
            std::make_shared<RecordingEvidence>(evidenceOfRow(result)));
    };
    // A failed row read back from a case has no pictures (the case keeps
    // none): they are made again from the file as the pane makes them, or
    // the tile that says why not.
    using Strip = std::shared_ptr<const std::vector<ReportPicture>>;
    files.pictures = [&rows, progress](size_t i) -> Strip {
        const VerifyResult row = rows.at(i);
        if (!row.picturesFromFile || row.filmstrip != nullptr || row.evidence == nullptr) {
            return row.filmstrip;
        }
        std::vector<ReportPicture> remade =
            remadePictures(*row.evidence, progress != nullptr ? &progress->cancelled : nullptr);
        if (remade.empty()) {
            return nullptr;
        }
        return std::make_shared<const std::vector<ReportPicture>>(std::move(remade));
    };
    // Each row's own time, as its CSV line and the case give it; the
    // export's time only for a row that has none.
    files.verifiedAt = [&rows](size_t i) {
        const QDateTime when = rows.verifiedAt(i);
        return when.isValid() ? when.toUTC().toString(Qt::ISODate).toStdString() : std::string();
    };
    return files;
}

ReportContext contextOf(const ExportRequest& request) {
    ReportContext run = currentReportContext("telvar-authenticator", request.examiner.toStdString(),
                                             request.caseReference.toStdString());
    copyCustody(request.custody, run);
    return run;
}

// How many times a format fetches each file: once more for a report with a
// summary table ahead of the sections.
size_t passesOf(ExportFormat format) {
    return format == ExportFormat::Pdf || format == ExportFormat::Html ? 2 : 1;
}

bool writeFormat(ExportedRows& rows, const ExportRequest& request, ExportProgress* progress,
                 SaveFileSink& sink) {
    const ReportFiles files = filesOf(rows, progress);
    const ReportContext run = contextOf(request);
    std::optional<std::vector<std::vector<std::string>>> custody;
    if (request.format == ExportFormat::Html || request.format == ExportFormat::Pdf) {
        custody = rows.custody(progress);
        if (!custody) {
            return false;
        }
    }
    switch (request.format) {
        case ExportFormat::Csv:
            return writeCsvReport(
                files,
                [&](size_t i) {
                    CsvRow line = csvRowOf(rows.at(i));
                    line.examiner = run.examiner;
                    line.caseReference = run.caseReference;
                    line.custody = &run;
                    return line;
                },
                sink);
        case ExportFormat::Json:
            return writeJsonReport(files, run, false, sink);
        case ExportFormat::Html: {
            HtmlReportOptions options;
            options.custody = std::move(*custody);
            return writeHtmlReport(files, run, options, sink);
        }
        case ExportFormat::Pdf:
        default:
            return printPdfReport(files, run, request.paper, sink.file,
                                  [progress] { return !cancelled(progress); }, *custody);
    }
}

}  // namespace

std::vector<VerifyResult> exportRows(const ResultModel& model, const std::vector<int>& rows) {
    std::vector<VerifyResult> results;
    results.reserve(rows.size());
    for (const int row : rows) {
        results.push_back(model.row(row).result);
    }
    return results;
}

QString exportCancelled() {
    return trExport("The export was cancelled; no file was written.");
}

QString writeExport(const std::vector<VerifyResult>& rows, const ExportRequest& request,
                    ExportProgress* progress) {
    if (progress != nullptr) {
        progress->total = rows.size() * passesOf(request.format);
    }
    // The case is read for the custody lines (HTML, PDF) and for rows not
    // read yet; opening a large one checks it, which takes a moment.
    const bool custody =
        request.format == ExportFormat::Html || request.format == ExportFormat::Pdf;
    const bool unread = std::any_of(rows.begin(), rows.end(), [](const VerifyResult& row) {
        return row.storedVerification != 0;
    });
    std::unique_ptr<CaseStore> store;
    if (!request.casePath.isEmpty() && (custody || unread)) {
        try {
            store = CaseStore::open(request.casePath, false);
        } catch (const CaseError& error) {
            // A report without the evidence and custody the case holds would
            // claim less than it should, and say nothing of it.
            const QString why = QString::fromStdString(error.what());
            return couldNotWrite(request.path, trExport("the case cannot be read: %1").arg(why));
        }
    }
    ExportRequest withIntake = request;
    if (store != nullptr) {
        withIntake.custody.intakeSkipped = store->skippedAtIntake();
        store->describeStills(withIntake.custody);
    }
    ExportedRows exported(rows, std::move(store));
    SaveFileSink sink(request.path, progress);
    if (!sink.open()) {
        return couldNotWrite(request.path, sink.file.errorString());
    }
    if (!writeFormat(exported, withIntake, progress, sink)) {
        sink.file.cancelWriting();
        if (cancelled(progress)) {
            return exportCancelled();
        }
        const QString why = sink.file.error() != QFileDevice::NoError
                                ? sink.file.errorString()
                                : trExport("the report could not be written");
        return couldNotWrite(request.path, why);
    }
    if (!sink.file.commit()) {
        return couldNotWrite(request.path, sink.file.errorString());
    }
    return {};
}

QString writeExport(const ResultModel& model, const ExportRequest& request) {
    return writeExport(exportRows(model, request.rows), request);
}

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

std::optional<ExportFormat> formatOfName(const QString& path) {
    const QString name = fileNameOf(path);
    for (const ExportFormat format :
         {ExportFormat::Pdf, ExportFormat::Html, ExportFormat::Csv, ExportFormat::Json}) {
        if (name.endsWith(QLatin1Char('.') + formatSuffix(format), Qt::CaseInsensitive)) {
            return format;
        }
    }
    return std::nullopt;
}

QString fileSha256(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        return {};
    }
    return QString::fromLatin1(hash.result().toHex());
}
