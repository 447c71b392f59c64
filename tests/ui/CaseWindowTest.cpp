// The window's case file: written by the window and read by telvar-verify,
// written by telvar-verify and reopened by the window, the list's removals
// in the custody log, the offer to save a temporary case, read-only media.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QSysInfo>
#include <QTableWidget>
#include <QTemporaryDir>
#include <nlohmann/json.hpp>

#include "report/Escape.h"
#include "report/JsonReport.h"
#include "ui/AboutDlg.h"
#include "ui/CaseLogDialog.h"
#include "ui/CaseMenu.h"
#include "ui/EvidencePane.h"
#include "ui/FilmstripView.h"
#include "ui/MorlAuthenticator.h"
#include "ui/NResultTree.h"
#include "ui/ReportExport.h"
#include "verification/EventWait.h"
#include "verification/PathBytes.h"
#include "verification/SampleRecordings.h"
#include "verification/VerifyResult.h"

namespace {

struct CommandRun {
    int exitCode = -1;
    QByteArray out;
};

CommandRun verifyCommand(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(TELVAR_VERIFY_EXE), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput()};
}

// What a row's evidence says, without who verified it and when.
nlohmann::json evidenceFacts(nlohmann::json object) {
    for (const char* key : {"verifier", "verifiedAt"}) {
        object.erase(key);
    }
    return object;
}

class CaseWindowTest : public ::testing::Test {
  protected:
    CaseWindowTest() : window(std::make_unique<MorlAuthenticator>()) {}

    CaseMenu* cases() const { return window->caseMenu(); }
    NResultTree* tree() const { return window->findChild<NResultTree*>(); }
    int rows() const { return tree()->model()->rowCount(); }
    QString casePath(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    void verifyInWindow(const QStringList& paths) {
        ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "verifyFileList", Q_ARG(QStringList, paths)));
        ASSERT_TRUE(waitUntil([&] {
            tree()->flush();
            return rows() == paths.size();
        }));
    }
    std::vector<std::string> eventKinds() const {
        std::vector<std::string> kinds;
        cases()->settle();  // the list's writes are made on the recorder's thread
        for (const CustodyEvent& event : cases()->store()->events()) {
            kinds.push_back(eventKindCode(event.kind) + (event.detail.empty() ? "" : ":" + event.detail));
        }
        return kinds;
    }

    // Another program's write transaction on the case, until released.
    sqlite3* holdCase() const {
        sqlite3* other = nullptr;
        EXPECT_EQ(sqlite3_open(cases()->store()->fileBytes().c_str(), &other), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        return other;
    }
    static void releaseCase(sqlite3* other) {
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }

    SampleRecordings samples;
    QTemporaryDir dir;
    std::unique_ptr<MorlAuthenticator> window;
};

}  // namespace

TEST_F(CaseWindowTest, WindowWritesACaseTheCommandLineListsAndAudits) {
    const QString file = casePath("window.telvarcase");
    ASSERT_TRUE(cases()->newCase(file, QStringLiteral("2026-0042")));
    EXPECT_EQ(window->windowTitle(), "2026-0042 (window.telvarcase)");
    verifyInWindow({samples.authentic(), samples.tampered()});

    // A removal and its undo are in the log, which still checks.
    tree()->selectAll();
    tree()->clearSelection();
    tree()->setCurrentIndex(tree()->model()->index(1, 0));
    QMetaObject::invokeMethod(window.get(), "handleDeleteBtn");
    EXPECT_EQ(rows(), 1);
    emit window->recordingsRestored({pathBytes(samples.tampered())});
    const std::vector<std::string> kinds = eventKinds();
    ASSERT_GE(kinds.size(), 3u);
    EXPECT_EQ(kinds[kinds.size() - 2], "recording-removed");
    EXPECT_EQ(kinds.back(), "recording-added:listed again");

    // A report from the case prints the log's head and the file's events,
    // and is itself recorded with its SHA-256.
    ExportRequest request;
    request.format = ExportFormat::Html;
    request.rows = {0};
    request.path = casePath("report.html");
    cases()->prepareExport(request);
    ASSERT_EQ(writeExport(*tree()->resultModel(), request), QString());
    const QString sha256 = fileSha256(request.path);
    cases()->recordExport(request, sha256);
    cases()->settle();  // written by the recorder's thread
    QFile report(request.path);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QByteArray html = report.readAll();
    // The export seals the log first, prints that head and the number its
    // own event takes, and seals again after it.
    const std::vector<CustodyEvent> all = cases()->store()->events();
    ASSERT_EQ(all.size(), kinds.size() + 3);
    EXPECT_TRUE(html.contains(QByteArray::number(static_cast<int>(kinds.size()) + 1) + " events"));
    EXPECT_TRUE(html.contains("this report is event " +
                              QByteArray::number(static_cast<int>(kinds.size()) + 2)));
    EXPECT_TRUE(html.contains("recording-added by "));
    EXPECT_EQ(all.back().kind, EventKind::Sealed);
    const CustodyEvent exported = all[all.size() - 2];
    EXPECT_EQ(exported.kind, EventKind::Exported);
    EXPECT_EQ(exported.sha256.value_or(""), sha256.toStdString());

    // A CSV export from the case names on every line the sealed head it was
    // made at and the number of its own export event.
    ExportRequest csv;
    csv.format = ExportFormat::Csv;
    csv.rows = {0};
    csv.path = casePath("report.csv");
    cases()->prepareExport(csv);
    ASSERT_EQ(writeExport(*tree()->resultModel(), csv), QString());
    QFile csvFile(csv.path);
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> csvLines = csvFile.readAll().split('\n');
    ASSERT_GE(csvLines.size(), 2);
    ASSERT_TRUE(csv.custody.custodyEvents && csv.custody.custodyExportEvent);
    EXPECT_TRUE(csvLines[1].contains(
        "," + QByteArray::number(static_cast<qlonglong>(*csv.custody.custodyEvents)) + "," +
        QByteArray::fromStdString(csv.custody.custodyHead) + ",\"sealed by "))
        << csvLines[1].toStdString();
    EXPECT_TRUE(csvLines[1].contains(
        "," + QByteArray::number(static_cast<qlonglong>(*csv.custody.custodyExportEvent)) + ","));
    cases()->recordExport(csv, fileSha256(csv.path));
    cases()->settle();

    // The About box names the case and its head as it stands now.
    const QString about = AboutDlg::caseDescription(cases()->title(), *cases()->store());
    EXPECT_TRUE(about.contains(QString::fromStdString(headText(cases()->store()->head()))))
        << about.toStdString();

    const CommandRun audit = verifyCommand({QStringLiteral("--case-file"), file, QStringLiteral("--audit")});
    EXPECT_EQ(audit.exitCode, 0) << audit.out.toStdString();
    const CommandRun list = verifyCommand(
        {QStringLiteral("--case-file"), file, QStringLiteral("--list"), QStringLiteral("--json")});
    ASSERT_EQ(list.exitCode, 0);
    const nlohmann::json listed = nlohmann::json::parse(list.out.toStdString());
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["path"], pathBytes(samples.authentic()).toStdString());
    EXPECT_EQ(listed[0]["evidence"]["code"], 0);
    EXPECT_EQ(listed[1]["evidence"]["code"], 1);
    EXPECT_EQ(listed[1]["evidence"]["verifier"]["name"], "telvar-authenticator");
    EXPECT_EQ(listed[1]["evidence"]["verifier"]["caseReference"], "2026-0042");
}

TEST_F(CaseWindowTest, WindowReopensACaseTheCommandLineWroteWithTheSameRowsAndEvidence) {
    const QString file = casePath("cli.telvarcase");
    const CommandRun run = verifyCommand({QStringLiteral("--case-file"), file, QStringLiteral("--case"),
                                   QStringLiteral("2026-0043"), samples.authentic(),
                                   samples.tampered(), samples.unsignedFile()});
    ASSERT_EQ(run.exitCode, 1);  // one verdict failed
    const nlohmann::json listed = nlohmann::json::parse(
        verifyCommand({QStringLiteral("--case-file"), file, QStringLiteral("--list"), QStringLiteral("--json")})
            .out.toStdString());

    ASSERT_TRUE(cases()->openCase(file));
    EXPECT_EQ(window->windowTitle(), "2026-0043 (cli.telvarcase)");
    ASSERT_EQ(rows(), 3);
    const ResultModel& model = *tree()->resultModel();
    // Listed without any evidence read; each row reads its own when shown.
    for (int row = 0; row < 3; ++row) {
        EXPECT_NE(model.row(row).result.storedVerification, 0);
    }
    // Sorting by a column of the evidence reads every row's at once, and
    // keeps none of it.
    tree()->header()->setSortIndicator(ResultModel::kReasonColumn, Qt::DescendingOrder);
    std::vector<std::string> sorted;
    for (int row = 0; row < 3; ++row) {
        sorted.push_back(model.row(row).result.fileName.toStdString());
        EXPECT_NE(model.row(row).result.storedVerification, 0);
    }
    EXPECT_EQ(sorted, (std::vector<std::string>{"tampered.mkv", "unsigned.mkv", "authentic.mkv"}));
    tree()->header()->setSortIndicator(0, Qt::AscendingOrder);  // as listed
    // An export takes them as they are; its writer reads the evidence (and
    // the custody) from the case on a connection of its own.
    ExportRequest request;
    request.format = ExportFormat::Csv;
    request.rows = {0, 1, 2};
    request.path = casePath("rows.csv");
    cases()->prepareExport(request);
    const std::vector<VerifyResult> exported = exportRows(model, request.rows);
    EXPECT_NE(exported.front().storedVerification, 0);
    ASSERT_EQ(writeExport(exported, request), QString());
    QFile csv(request.path);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    // Each row's serial number, which the stand-ins listed do not hold.
    EXPECT_EQ(csv.readAll().count(SampleRecordings::kSerialNumber), 3);
    EXPECT_NE(model.row(0).result.storedVerification, 0);
    for (int row = 0; row < 3; ++row) {
        tree()->setCurrentIndex(tree()->model()->index(row, 0));
        const VerifyResult& result = model.row(row).result;
        EXPECT_EQ(result.storedVerification, 0);
        const std::string path = listed[static_cast<size_t>(row)]["path"];
        EXPECT_EQ(result.fileName, QFileInfo(QString::fromStdString(path)).fileName().toUtf8());
        const nlohmann::json shown = nlohmann::json::parse(
            dumpJson(jsonFileObject(*result.evidence, ReportContext{}, false)));
        EXPECT_EQ(evidenceFacts(shown), evidenceFacts(listed[static_cast<size_t>(row)]["evidence"])) << row;
    }
    EXPECT_EQ(tree()->model()->index(0, 3).data().toString(), SampleRecordings::kSerialNumber);
    EXPECT_FALSE(window->findChild<EvidencePane*>()->plainText().isEmpty());
    EXPECT_EQ(window->findChild<QLabel*>("successLabel")->text(), "Success: 1");

    // Verifying again goes into the same case, after the command line's events.
    ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "verifyFileList",
                                          Q_ARG(QStringList, QStringList{samples.authentic()})));
    ASSERT_TRUE(waitUntil([&] {
        tree()->flush();
        return rows() == 4;
    }));
    EXPECT_EQ(eventKinds().back().rfind("verified-again:code 0; fixity unchanged; verified ", 0), 0u);
    EXPECT_TRUE(cases()->store()->audit().intact());
}

TEST_F(CaseWindowTest, ATemporaryCaseWithResultsIsOfferedForSavingOnClose) {
    window->show();
    EXPECT_EQ(window->windowTitle(), "Unsaved case");
    ASSERT_TRUE(cases()->store()->isTemporary());
    // Nothing to lose yet: closes without asking.
    int asked = 0;
    cases()->unsavedChoice = [&] {
        ++asked;
        return CaseMenu::UnsavedChoice::Cancel;
    };
    verifyInWindow({samples.authentic()});
    EXPECT_FALSE(window->close());
    EXPECT_EQ(asked, 1);

    const QString saved = casePath("kept.telvarcase");
    cases()->casePath = [&](const QString&) { return saved; };
    cases()->unsavedChoice = [] { return CaseMenu::UnsavedChoice::Save; };
    EXPECT_TRUE(window->close());
    EXPECT_EQ(window->windowTitle(), "kept.telvarcase");
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_EQ(CaseStore::open(saved, false)->results().size(), 1u);
    EXPECT_EQ(CaseMenu::recentCases().value(0), QFileInfo(saved).absoluteFilePath());
}

TEST_F(CaseWindowTest, ACaseOnReadOnlyMediaIsListedAndAuditedButRecordsNothing) {
    const QString file = casePath("ro.telvarcase");
    ASSERT_TRUE(cases()->newCase(file, QStringLiteral("RO")));
    verifyInWindow({samples.authentic()});
    // Closed by its writer, as a case is when it is copied to such media.
    ASSERT_TRUE(cases()->newCase(casePath("other.telvarcase"), QStringLiteral("X")));
    cases()->readOnlyMedia = [](const std::string&) { return true; };
    ASSERT_TRUE(cases()->openCase(file));
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(window->windowTitle(), "RO (ro.telvarcase) [read-only]");
    EXPECT_TRUE(cases()->store()->audit().intact());
    EXPECT_FALSE(cases()->mayVerify());
    ASSERT_TRUE(waitUntil([&] { return window->findChild<QMessageBox*>("caseWarning") != nullptr; }));
    EXPECT_TRUE(window->findChild<QMessageBox*>("caseWarning")->text().contains("read-only media"));
}

// A case keeps no pictures: a reopened failed row makes them again from the
// file, and only while the file is the one verified; its report too.
TEST_F(CaseWindowTest, AReopenedFailedRowRemakesItsPicturesFromTheUnchangedFile) {
    ASSERT_EQ(QProcess::execute(TELVAR_MAKE_DEMO, {dir.path()}), 0);
    const QString file = casePath("demo.telvarcase");
    const QString tampered = dir.filePath("tampered.mkv");
    ASSERT_EQ(verifyCommand({QStringLiteral("--case-file"), file, tampered}).exitCode, 1);
    ASSERT_TRUE(cases()->openCase(file));
    auto* const pane = window->findChild<EvidencePane*>();
    tree()->setCurrentIndex(tree()->model()->index(0, 0));
    ASSERT_TRUE(waitUntil([&] { return pane->filmstrip()->pictureCount() == 5; }));
    EXPECT_EQ(pane->filmstrip()->labels().value(1), "Cluster 15 · 00:00:14 (08:00:14 as stated) · failed");
    ExportRequest request;
    request.format = ExportFormat::Html;
    request.rows = {0};
    request.path = casePath("report.html");
    const auto exported = [&] {
        EXPECT_EQ(writeExport(*tree()->resultModel(), request), QString());
        QFile report(request.path);
        EXPECT_TRUE(report.open(QIODevice::ReadOnly));
        return report.readAll();
    };
    QByteArray html = exported();
    EXPECT_TRUE(html.contains("Pictures around the first failure"));
    EXPECT_EQ(html.count("data:image/png;base64,"), 5);

    QFile bytes(tampered);
    ASSERT_TRUE(bytes.open(QIODevice::ReadWrite | QIODevice::Append));
    bytes.write("x");
    bytes.close();
    tree()->clearSelection();
    tree()->setCurrentIndex(tree()->model()->index(0, 0));
    ASSERT_TRUE(waitUntil([&] {
        return pane->filmstrip()->labels().join("").contains("are no longer those verified");
    }));
    EXPECT_EQ(pane->filmstrip()->labels().size(), 1);
    html = exported();
    EXPECT_TRUE(html.contains("are no longer those verified"));
    EXPECT_EQ(html.count("data:image/png;base64,"), 0);
}

// Two windows never both write a case: the second only reads it and says
// which program holds it; a lock left by a process that is gone is taken.
TEST_F(CaseWindowTest, ASecondWindowOnACaseOnlyReadsItAndSaysWhoWrites) {
    const QString file = casePath("shared.telvarcase");
    ASSERT_TRUE(cases()->newCase(file, QStringLiteral("S-1")));
    EXPECT_TRUE(cases()->store()->writable());
    MorlAuthenticator second;
    ASSERT_TRUE(second.caseMenu()->openCase(file));
    EXPECT_FALSE(second.caseMenu()->store()->writable());
    EXPECT_TRUE(second.windowTitle().endsWith("[read-only]"));
    auto* const warning = second.findChild<QMessageBox*>("caseWarning");
    ASSERT_NE(warning, nullptr);
    EXPECT_TRUE(warning->text().contains(
        QStringLiteral("open for writing in telvar-authenticator (process %1 on ")
            .arg(QCoreApplication::applicationPid())))
        << warning->text().toStdString();

    ASSERT_TRUE(cases()->newCase(casePath("other.telvarcase"), QStringLiteral("O")));
    QFile stale(file + ".lock");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("999999999\n" + QSysInfo::machineHostName().toUtf8() + "\ngone\n");
    stale.close();
    MorlAuthenticator third;
    ASSERT_TRUE(third.caseMenu()->openCase(file));
    EXPECT_TRUE(third.caseMenu()->store()->writable()) << "the stale lock was taken over";
}

// Every row survives saving: one a cancelled run left unverified too. What
// Add Folder skipped is kept, with its reason, as a note of the intake.
TEST_F(CaseWindowTest, ASavedCaseKeepsEveryRowAndWhatTheIntakeSkipped) {
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(samples.authentic(), folder.filePath("a.mkv")));
    QFile notes(folder.filePath("notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    verifyInWindow({folder.path()});
    cases()->record(cancelledResult(samples.tampered()));
    ASSERT_TRUE(waitUntil([&] {
        tree()->flush();
        return rows() == 2;
    }));
    const QString saved = casePath("saved.telvarcase");
    ASSERT_TRUE(cases()->saveCaseAs(saved));
    ASSERT_TRUE(cases()->openCase(saved));
    tree()->flush();
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(tree()->resultModel()->row(0).result.code(), VerdictCode::Success);
    EXPECT_EQ(tree()->resultModel()->row(1).result.code(), VerdictCode::NotVerified);
    EXPECT_EQ(pathBytes(tree()->resultModel()->row(1).result.path), pathBytes(samples.tampered()));

    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {saved, QStringLiteral("SELECT text FROM notes")});
    ASSERT_TRUE(sqlite.waitForFinished(30000));
    EXPECT_TRUE(sqlite.readAllStandardOutput().contains("Intake skipped 1 entry:\nSkipped "))
        << "the note names the entry";
    // The reopened case's reports name it, with its reason.
    for (const ExportFormat format : {ExportFormat::Html, ExportFormat::Pdf}) {
        ExportRequest request;
        request.format = format;
        request.rows = {0};
        request.path = casePath(format == ExportFormat::Pdf ? "intake.pdf" : "intake.html");
        cases()->prepareExport(request);
        ASSERT_EQ(writeExport(*tree()->resultModel(), request), QString());
        QString out;
        if (format == ExportFormat::Pdf) {
            QProcess text;
            text.start(QStringLiteral("pdftotext"), {request.path, QStringLiteral("-")});
            ASSERT_TRUE(text.waitForFinished(30000));
            out = QString::fromUtf8(text.readAllStandardOutput());
        } else {
            QFile html(request.path);
            ASSERT_TRUE(html.open(QIODevice::ReadOnly));
            out = QString::fromUtf8(html.readAll());
        }
        EXPECT_TRUE(out.contains("Left out at intake")) << out.toStdString();
        EXPECT_TRUE(out.contains("notes.txt: not named .mkv")) << out.toStdString();
    }
    EXPECT_EQ(
        verifyCommand({QStringLiteral("--case-file"), saved, QStringLiteral("--audit")}).exitCode,
        0);
}

// A removal is written by the recorder's thread: with another program
// holding the case's write lock, the window goes on at once, and the
// removal is in the log once the lock is let go.
TEST_F(CaseWindowTest, ARemovalNeverHoldsTheWindowOnABusyCase) {
    verifyInWindow({samples.authentic()});
    cases()->settle();
    sqlite3* const other = holdCase();
    QElapsedTimer took;
    took.start();
    emit window->recordingsRemoved({pathBytes(samples.authentic())});
    EXPECT_LT(took.elapsed(), 1000);
    releaseCase(other);
    EXPECT_EQ(eventKinds().back(), "recording-removed");
}

// An export's event and a still's, with the seals after them, are written
// by the recorder's thread: a case another program holds does not hold the
// window, and each event is in the log once the case settles.
TEST_F(CaseWindowTest, AnExportsEventNeverHoldsTheWindowOnABusyCase) {
    verifyInWindow({samples.authentic()});
    cases()->settle();
    sqlite3* const other = holdCase();
    QElapsedTimer took;
    took.start();
    ExportRequest request;
    request.format = ExportFormat::Html;
    request.path = casePath("report.html");
    cases()->recordExport(request, QString(64, QLatin1Char('a')));
    cases()->recordStill(casePath("frame-7.png"), QString(64, QLatin1Char('b')),
                         QString(64, QLatin1Char('c')));
    EXPECT_LT(took.elapsed(), 1000);
    releaseCase(other);
    cases()->settle();
    const std::vector<std::string> kinds = eventKinds();
    ASSERT_GE(kinds.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(kinds.end() - 4, kinds.end()),
              (std::vector<std::string>{"exported:html", "sealed", "exported:still", "sealed"}));
}

// The custody events carry the examiner the window was told, and every item
// of the Case menu says what it does.
TEST_F(CaseWindowTest, TheLogNamesTheExaminerAndTheMenuItsActions) {
    QSettings().setValue(QLatin1String(kExaminerSetting), QStringLiteral("A. Examiner"));
    const bool made = cases()->newCase(casePath("named.telvarcase"), QStringLiteral("N-1"));
    QSettings().remove(QLatin1String(kExaminerSetting));
    ASSERT_TRUE(made);
    CaseLogDialog log(*cases()->store());
    EXPECT_EQ(log.table()->model()->index(0, 2).data().toString(), "A. Examiner");
    for (const QAction* action : cases()->menu()->actions()) {
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->text().isEmpty()) << action->shortcut().toString().toStdString();
        }
    }
}

TEST_F(CaseWindowTest, CheckLogNamesTheFirstEventThatDoesNotFit) {
    const QString file = casePath("log.telvarcase");
    ASSERT_EQ(verifyCommand({QStringLiteral("--case-file"), file, samples.authentic()}).exitCode, 0);
    ASSERT_TRUE(cases()->openCase(file));
    CaseLogDialog intact(*cases()->store());
    // Created, the examiner's key, added, verified, sealed.
    ASSERT_EQ(intact.table()->model()->rowCount(), 5);
    const QModelIndex event = intact.table()->model()->index(3, 3);
    EXPECT_EQ(event.data().toString(), "Verified");
    EXPECT_EQ(event.data(Qt::ToolTipRole).toString(), "Verified (stored as \"verified\")");
    EXPECT_EQ(intact.table()->model()->index(4, 3).data().toString(), "Sealed by the examiner");
    EXPECT_EQ(intact.table()->model()->index(3, 5).data().toString(),
              "Success; hash taken as it was added to the case")
        << "the window's words, not the log's codes";
    EXPECT_LE(intact.width(), intact.screen()->availableGeometry().width());
    intact.checkLog();
    // On a thread of its own: the dialog answers meanwhile, and says so.
    EXPECT_EQ(intact.checkResult()->text(), "Checking the log...");
    ASSERT_TRUE(waitUntil([&] { return !intact.checking(); }));
    EXPECT_TRUE(intact.checkResult()->text().startsWith("Custody log intact: 5 events; SHA-256 of the newest "));
    EXPECT_TRUE(intact.checkResult()->text().contains("\nSealed at event 5 by "));

    ASSERT_EQ(QProcess::execute(QStringLiteral("sqlite3"),
                                {file, QStringLiteral("UPDATE events SET examiner = 'Someone' WHERE seq = 2")}),
              0);
    CaseLogDialog edited(*cases()->store());
    edited.checkLog();
    ASSERT_TRUE(waitUntil([&] { return !edited.checking(); }));
    EXPECT_TRUE(edited.checkResult()->text().startsWith("Custody log broken at event 2: "))
        << edited.checkResult()->text().toStdString();
    EXPECT_EQ(edited.table()->currentIndex().row(), 1);
}

// A case that fails to open leaves no doubt: the window is in a new unsaved
// case, says so, and the next result goes there, not into the case before.
TEST_F(CaseWindowTest, ACaseThatFailsToOpenLeavesNoDoubtWhichCaseIsOpen) {
    const QString first = casePath("first.telvarcase");
    ASSERT_TRUE(cases()->newCase(first, QStringLiteral("FIRST")));
    verifyInWindow({samples.authentic()});
    const QString broken = casePath("broken.telvarcase");
    QFile junk(broken);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a case at all, but long enough to be read as one");
    junk.close();
    EXPECT_FALSE(cases()->openCase(broken));
    EXPECT_EQ(window->windowTitle(), "Unsaved case");
    EXPECT_TRUE(cases()->store()->isTemporary());
    EXPECT_EQ(rows(), 0);
    ASSERT_TRUE(waitUntil([&] { return window->findChild<QMessageBox*>("caseWarning") != nullptr; }));
    EXPECT_TRUE(window->findChild<QMessageBox*>("caseWarning")->text().contains("No case file is open now"));
    verifyInWindow({samples.tampered()});
    EXPECT_EQ(CaseStore::open(first, false)->results().size(), 1u);
}
