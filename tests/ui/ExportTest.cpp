// What leaves the window: CSV, clipboard text, the PDF report and the
// evidence pane's text, each with hostile texts from a file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <nlohmann/json.hpp>

#include "report/CsvReport.h"
#include "report/Escape.h"
#include "report/FrameRecords.h"
#include "report/EvidenceContent.h"
#include "report/HtmlReport.h"
#include "report/ReportContext.h"
#include "signature/RecordingEvidence.h"
#include "ui/EvidencePane.h"
#include "ui/ExportDialog.h"
#include "ui/ReportExport.h"
#include "ui/ResultModel.h"
#include "ui/RowText.h"

namespace {

// A failed file whose name and tag texts try to be markup and formulas.
VerifyResult hostileResult() {
    RecordingEvidence evidence;
    evidence.verdict.code = VerdictCode::Mismatch;
    evidence.verdict.detail = "cluster 2 at offset 900: signature does not match";
    evidence.tag.present = true;
    evidence.tag.serialNumber = "<b>x</b>\xE2\x80\xAE\xFF";
    evidence.tag.startTime = "=HYPERLINK(\"http://evil\")";
    evidence.tag.endTime = "@SUM(A1)";
    evidence.identity.sha256 = std::string(64, 'e');
    evidence.findings.push_back({FindingCode::ChainBreak, "<i>Cluster 2</i> was changed.", 2, 2, 1.0});
    VerifyResult result("a,\"b\"\nc.mkv", std::move(evidence));
    result.path = "/cases/a,\"b\"\nc.mkv";
    result.verifiedAt = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0), Qt::UTC);
    return result;
}

VerifyResult authenticResult() {
    RecordingEvidence evidence;
    evidence.verdict.code = VerdictCode::Success;
    evidence.proofKey = ProofKey::Rsa;
    evidence.originProven = true;
    evidence.verdict.serialNumber = "-TLV-1";
    evidence.verdict.startTime = "2026-12-01 08:00:00";
    evidence.verdict.endTime = "2026-12-01 09:00:00";
    evidence.identity.sha256 = std::string(64, 'a');
    evidence.runs.push_back({ClusterStatus::Verified, 1, 5, 100, 5000, 0.0, 60.0});
    VerifyResult result("good.mkv", std::move(evidence));
    result.path = "/cases/good.mkv";
    return result;
}

class ExportTest : public ::testing::Test {
  protected:
    ExportTest() { model.append({authenticResult(), hostileResult()}); }

    ResultModel model;
    QTemporaryDir dir;
};

}  // namespace

TEST_F(ExportTest, CsvQuotesAndDefusesTextsFromTheFile) {
    ExportRequest request;
    request.format = ExportFormat::Csv;
    request.rows = {0, 1};
    request.examiner = "=Ann";
    request.caseReference = "C-1";
    request.path = dir.filePath("rows.csv");
    ASSERT_EQ(writeExport(model, request), QString());
    QFile file(request.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString csv = QString::fromUtf8(file.readAll());
    const QStringList lines = csv.split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("Name,Path,Verdict,Reason,Serial Number,Start,End,"));
    EXPECT_TRUE(lines[1].startsWith("good.mkv,/cases/good.mkv,Success (authentic),,'-TLV-1,"));
    EXPECT_TRUE(lines[1].contains(QString(64, 'a')));
    // Quotes doubled; the line break, a direction override and a byte that
    // is not UTF-8 shown as escapes, as everywhere.
    EXPECT_TRUE(
        lines[2].startsWith("\"a,\"\"b\"\"\\u{000A}c.mkv\",\"/cases/a,\"\"b\"\"\\u{000A}c.mkv\","))
        << lines[2].toStdString();
    EXPECT_TRUE(lines[2].contains(",\"<b>x</b>\\u{202E}\\xFF (stated, not verified)\","));
    EXPECT_TRUE(lines[2].contains("\"'=HYPERLINK(\"\"http://evil\"\") (stated, not verified)\""));
    EXPECT_TRUE(lines[2].contains(",\"'@SUM(A1) (stated, not verified)\","));
    EXPECT_TRUE(lines[2].contains("2026-12-08 10:00:00 UTC"));
    // The run's examiner and case follow the file's columns, defused as
    // any cell; the custody columns after them stay empty without a case,
    // and so do the key columns without a key store; the build closes it.
    EXPECT_TRUE(lines[0].contains(",Origin,Examiner,Case Reference,Custody Events,"));
    EXPECT_TRUE(lines[1].endsWith(",'=Ann,C-1,,,,,,,,," + QString::fromLatin1(telvarBuild())))
        << lines[1].toStdString();

    // The clipboard text keeps one line per row and defuses the same cells.
    const QStringList tabbed = rowsAsTabText(model, {0, 1}).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(tabbed.size(), 2);
    EXPECT_EQ(tabbed[1].split('\t').size(), rowFieldTitles().size());
    EXPECT_TRUE(tabbed[1].contains("'=HYPERLINK"));

    // What a spreadsheet would run, and nothing else, gets the apostrophe.
    for (const char* risky : {"=1", "+1", "-1", "@A1", "\t=1", "\r=1"}) {
        EXPECT_EQ(defused(risky), std::string("'") + risky) << risky;
    }
    for (const char* plain : {"", "1+1", " =1", "\\u{0009}=1"}) {
        EXPECT_EQ(defused(plain), plain) << plain;
    }
}

TEST_F(ExportTest, PaneShowsFileTextsLiterally) {
    EvidencePane pane;
    const ResultModel::Row* rows[] = {&model.row(1)};
    pane.showRows({rows[0]});
    const QString text = pane.plainText();
    EXPECT_TRUE(text.contains("<b>x</b>\\u{202E}\\xFF")) << text.toStdString();
    EXPECT_TRUE(text.contains("<i>Cluster 2</i> was changed."));
    EXPECT_TRUE(text.contains("NOT verified"));
    EXPECT_TRUE(text.contains(QString(64, 'e')));

    pane.showRows({&model.row(0), &model.row(1)});
    EXPECT_TRUE(pane.plainText().contains("2 recordings selected"));
}

TEST_F(ExportTest, PaneAndHtmlReportListTheSameStatements) {
    RecordingEvidence evidence = *model.row(1).result.evidence;
    evidence.provenance.statements = {"The tag is signed with HMAC."};
    evidence.coverage.statement = "98% of the bytes are signed.";
    evidence.warnings.push_back({"time-jump", "The time jumps by 30 s at cluster 4."});
    model.append({VerifyResult("more.mkv", evidence)});
    EvidencePane pane;
    pane.showRows({&model.row(2)});
    const std::string paneText = pane.plainText().toStdString();
    const std::string html = htmlReport({evidence}, ReportContext{});
    for (const ContentPart part : kContentParts) {
        const std::vector<ContentItem> items = contentOf(evidence, part);
        ASSERT_FALSE(items.empty()) << contentTitle(part);
        for (const ContentItem& item : items) {
            EXPECT_NE(paneText.find(item.text), std::string::npos) << item.text;
            EXPECT_NE(html.find(htmlText(item.text)), std::string::npos) << item.text;
        }
    }
}

TEST_F(ExportTest, PdfHoldsEachFilesHashAndVerdictAsText) {
    ExportRequest request;
    request.format = ExportFormat::Pdf;
    request.paper = PaperSize::Letter;
    request.examiner = "<b>Examiner</b>";
    request.caseReference = "CASE-7";
    request.rows = {0, 1};
    request.path = dir.filePath("report.pdf");
    ASSERT_EQ(writeExport(model, request), QString());

    QFile pdf(request.path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    QProcess text;
    text.start("pdftotext", {"-layout", request.path, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QString(64, 'a'))) << out.toStdString();
    EXPECT_TRUE(out.contains(QString(64, 'e')));
    EXPECT_TRUE(out.contains("Success"));
    EXPECT_TRUE(out.contains("Failed"));
    EXPECT_TRUE(out.contains("<b>x</b>\\u{202E}\\xFF"));
    EXPECT_TRUE(out.contains("<b>Examiner</b>"));
    EXPECT_EQ(fileSha256(request.path).size(), 64);
}

// A report from a case lists the stills exported in it, with their records.
TEST_F(ExportTest, PdfListsTheCasesStillsWithTheirHashes) {
    nvr::FrameIndex index;
    nvr::FrameEntry entry;
    entry.frame = 351;
    entry.standing = ClusterStanding::Proven;
    StillRecord record;
    record.pngSha256 = std::string(64, '1');
    record.rgbSha256 = std::string(64, '2');
    ExportedStill still;
    still.event = 12;
    still.pngSha256 = record.pngSha256;
    still.record = stillRecordJson(record, index, entry);
    ExportRequest request;
    request.format = ExportFormat::Pdf;
    request.rows = {0};
    request.path = dir.filePath("report.pdf");
    request.custody.stills.push_back(still);
    ASSERT_EQ(writeExport(model, request), QString());
    QProcess text;
    text.start("pdftotext", {request.path, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(out.contains("Still of frame 351, custody event 12")) << out.toStdString();
    EXPECT_TRUE(out.contains(QString(64, '1')));
    EXPECT_TRUE(out.contains(QString(64, '2')));
}

TEST_F(ExportTest, EveryFormatReplacesWholeOrLeavesAllAsItWas) {
    ExportRequest request;
    request.rows = {0, 1};
    for (const ExportFormat format :
         {ExportFormat::Pdf, ExportFormat::Html, ExportFormat::Csv, ExportFormat::Json}) {
        request.format = format;
        const QString suffix = formatSuffix(format);
        // A folder as the target: an error naming it, nothing left behind.
        const QString folder = dir.filePath(QStringLiteral("folder.") + suffix);
        ASSERT_TRUE(QDir().mkpath(folder));
        request.path = folder;
        const QString error = writeExport(model, request);
        EXPECT_TRUE(error.contains(folder)) << suffix.toStdString() << ": " << error.toStdString();
        EXPECT_TRUE(QFileInfo(folder).isDir());
        EXPECT_TRUE(QDir(folder).isEmpty());

        // An existing file is replaced by a new one, renamed over it.
        request.path = dir.filePath(QStringLiteral("report.") + suffix);
        QFile old(request.path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old report");
        old.close();
        struct stat before {};
        ASSERT_EQ(::stat(QFile::encodeName(request.path).constData(), &before), 0);
        ASSERT_EQ(writeExport(model, request), QString()) << suffix.toStdString();
        struct stat after {};
        ASSERT_EQ(::stat(QFile::encodeName(request.path).constData(), &after), 0);
        EXPECT_NE(after.st_ino, before.st_ino) << suffix.toStdString();
        EXPECT_GT(after.st_size, 100) << suffix.toStdString();

        // A cancelled export leaves the file as it was.
        ExportProgress progress;
        progress.cancelled = true;
        EXPECT_EQ(writeExport(exportRows(model, request.rows), request, &progress),
                  exportCancelled());
        struct stat kept {};
        ASSERT_EQ(::stat(QFile::encodeName(request.path).constData(), &kept), 0);
        EXPECT_EQ(kept.st_ino, after.st_ino) << suffix.toStdString();
    }
    // The folders and the four reports, no temporary file.
    EXPECT_EQ(
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
        8);
}

// The PDF's summary is laid out a page at a time: no row may be lost or
// printed twice where one page's layout ends and the next begins.
TEST_F(ExportTest, PdfSummaryListsEveryRowOnceAcrossPages) {
    std::vector<VerifyResult> rows;
    for (int i = 0; i < 90; ++i) {
        RecordingEvidence evidence;
        evidence.verdict.code = VerdictCode::Unsigned;
        evidence.identity.path = "/c/rec-" + std::to_string(1000 + i) + ".mkv";
        rows.emplace_back("rec.mkv", std::move(evidence));
    }
    ExportRequest request;
    request.path = dir.filePath("many.pdf");
    ASSERT_EQ(writeExport(rows, request), QString());
    QProcess text;
    text.start("pdftotext", {request.path, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    qsizetype previous = -1;
    for (int i = 0; i < 90; ++i) {
        // In the summary, its section's heading and its path.
        const QString name = QStringLiteral("rec-%1.mkv").arg(1000 + i);
        EXPECT_EQ(out.count(name), 3) << i;
        // The sections in file order, though laid out on two threads.
        EXPECT_GT(out.lastIndexOf(name), previous) << i;
        previous = out.lastIndexOf(name);
    }
}

// Cancel at any point of a PDF's layout and painting (several threads)
// ends the export, leaves no file and never hangs.
TEST_F(ExportTest, PdfCancelledMidwayEndsCleanly) {
    std::vector<VerifyResult> rows;
    for (int i = 0; i < 60; ++i) {
        rows.push_back(hostileResult());
    }
    ExportRequest request;
    request.path = dir.filePath("cancelled.pdf");
    // The summary fetches each row once, the sections once more.
    for (const size_t at : {size_t{1}, size_t{30}, size_t{61}, size_t{100}}) {
        ExportProgress progress;
        std::thread canceller([&progress, at] {
            while (progress.done < at) {
                std::this_thread::yield();
            }
            progress.cancelled = true;
        });
        EXPECT_EQ(writeExport(rows, request, &progress), exportCancelled()) << at;
        canceller.join();
        EXPECT_FALSE(QFile::exists(request.path)) << at;
    }
}

TEST(ExportDialogTest, StartsWithTheChoicesLastAccepted) {
    QStandardPaths::setTestModeEnabled(true);  // not the user's own settings
    QSettings().remove("export");
    {
        ExportDialog first(false);
        EXPECT_EQ(first.format(), ExportFormat::Pdf);
        first.formatBox->setCurrentIndex(2);
        first.examinerEdit->setText("A. Smith");
        first.caseEdit->setText("C-2026-017");
        first.remember();
    }
    const ExportDialog next(false);
    EXPECT_EQ(next.format(), ExportFormat::Csv);
    EXPECT_EQ(next.examiner(), "A. Smith");
    EXPECT_EQ(next.caseReference(), "C-2026-017");
    QSettings().remove("export");
}

// A file a cancelled run left exports as not verified, code -1, in every
// machine format: never as a failure.
TEST_F(ExportTest, CancelledRowExportsAsNotVerified) {
    ResultModel rows;
    rows.append({cancelledResult("/cases/left.mkv")});
    ExportRequest request;
    request.rows = {0};
    request.format = ExportFormat::Csv;
    request.path = dir.filePath("left.csv");
    ASSERT_EQ(writeExport(rows, request), QString());
    QFile csv(request.path);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().contains("\r\nleft.mkv,/cases/left.mkv,Not verified (cancelled),cancelled,"));

    request.format = ExportFormat::Json;
    request.path = dir.filePath("left.json");
    ASSERT_EQ(writeExport(rows, request), QString());
    QFile json(request.path);
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const nlohmann::json parsed = nlohmann::json::parse(json.readAll().toStdString());
    EXPECT_EQ(parsed[0]["code"], -1);
    EXPECT_EQ(parsed[0]["verdict"], "Not verified");
    EXPECT_EQ(parsed[0]["errorText"], "cancelled");
}

// The window goes on answering while an export is written, and the file's
// suffix, not the format last chosen, says what is written.
TEST_F(ExportTest, ExportLeavesTheWindowFreeAndItsSuffixDecides) {
    EXPECT_EQ(formatOfName("/x/report.CSV"), ExportFormat::Csv);
    EXPECT_EQ(formatOfName("/x/report.json.pdf"), ExportFormat::Pdf);
    EXPECT_EQ(formatOfName("/x.csv/report"), std::nullopt);

    QWidget window;
    Qt::WindowModality modality = Qt::ApplicationModal;
    QTimer::singleShot(0, &window, [&] {
        if (auto* const progress = window.findChild<QProgressDialog*>("exportProgress")) {
            modality = progress->windowModality();
        }
    });
    ExportRequest request;
    request.rows = {0};
    request.format = ExportFormat::Json;
    request.path = dir.filePath("free.json");
    QString sha256;
    ASSERT_EQ(writeWithProgress(&window, {cancelledResult("/cases/left.mkv")}, request, &sha256),
              QString());
    EXPECT_EQ(modality, Qt::NonModal);
    EXPECT_EQ(sha256, fileSha256(request.path));
    EXPECT_EQ(sha256.size(), 64);
}

// Copies of one recording show the same pictures: the PDF embeds such a
// picture once, and a different picture still as its own.
TEST_F(ExportTest, PdfEmbedsARecurringPictureOnce) {
    const auto strip = [](Qt::GlobalColor colour) {
        QImage image(16, 9, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        ReportPicture picture;
        picture.label = "Cluster 2";
        picture.png.assign(png.begin(), png.end());
        picture.width = 160;
        picture.height = 90;
        return std::make_shared<const std::vector<ReportPicture>>(1, picture);
    };
    std::vector<VerifyResult> rows;
    for (const Qt::GlobalColor colour : {Qt::red, Qt::red, Qt::blue}) {
        VerifyResult row = hostileResult();
        row.filmstrip = strip(colour);
        rows.push_back(std::move(row));
    }
    ExportRequest request;
    request.path = dir.filePath("pictures.pdf");
    ASSERT_EQ(writeExport(rows, request), QString());
    QFile pdf(request.path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.readAll().count("/Subtype /Image"), 2);
}
