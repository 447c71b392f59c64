#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <fstream>
#include <memory>
#include <vector>

#include <unistd.h>

#include "signature/RecordingEvidence.h"
#include "ui/AboutDlg.h"
#include "ui/EvidencePane.h"
#include "ui/FilmstripView.h"
#include "ui/MorlAuthenticator.h"
#include "ui/NResultTree.h"
#include "ui/NToolButton.h"
#include "ui/RecordingDrop.h"
#include "ui/RecordingPicker.h"
#include "ui/ReportExport.h"
#include "ui/TimelineView.h"
#include "verification/EventWait.h"
#include "verification/LongRecording.h"
#include "verification/PathBytes.h"
#include "verification/SampleRecordings.h"
#include "verification/VerifyProgressDlg.h"

namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : window(std::make_unique<MorlAuthenticator>()) {
        QObject::connect(dialog(), &VerifyProgressDlg::gotVerifyResult, dialog(),
                         [this](const VerifyResult& result) { arrived.push_back(result); });
    }

    VerifyProgressDlg* dialog() const { return window->findChild<VerifyProgressDlg*>(); }
    NResultTree* tree() const { return window->findChild<NResultTree*>(); }
    QString count(const char* name) const {
        return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    QStringList counts() const {
        return {count("totalLabel"), count("successLabel"), count("failedLabel")};
    }
    NToolButton* button(const QString& text) const {
        for (NToolButton* b : window->findChildren<NToolButton*>()) {
            if (b->text() == text) {
                return b;
            }
        }
        return nullptr;
    }

    void queue(const QStringList& paths) {
        ASSERT_TRUE(
            QMetaObject::invokeMethod(window.get(), "verifyFileList", Q_ARG(QStringList, paths)));
    }
    void addResult(const VerifyResult& result) {
        ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "addVerifyResult",
                                              Q_ARG(VerifyResult, result)));
    }
    bool waitForRows(int rows) {
        return waitUntil([&] { return rowCount() >= rows; });
    }
    int rowCount() const { return tree()->model()->rowCount(); }
    // The listed row named `name`, or null.
    const ResultModel::Row* row(const QString& name) const {
        const QAbstractItemModel* const model = tree()->model();
        const QModelIndexList found =
            model->match(model->index(0, 0), Qt::DisplayRole, name, -1, Qt::MatchExactly);
        return found.size() == 1 ? &tree()->resultModel()->row(found.front().row()) : nullptr;
    }
    QString text(const QString& name, int column) const {
        const QAbstractItemModel* const model = tree()->model();
        const QModelIndexList found =
            model->match(model->index(0, 0), Qt::DisplayRole, name, -1, Qt::MatchExactly);
        return found.size() == 1 ? model->index(found.front().row(), column).data().toString()
                                 : QString();
    }

    bool dragAccepted(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &event);
        return event.isAccepted();
    }
    // As on screen: the drop follows a drag entering the window.
    void drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    QList<QUrl> local(const QStringList& names) const {
        QList<QUrl> urls;
        for (const QString& name : names) {
            urls << QUrl::fromLocalFile(samples.path(name));
        }
        return urls;
    }
    QList<QByteArray> arrivedNames() const {
        QList<QByteArray> names;
        for (const VerifyResult& result : arrived) {
            names << result.fileName;
        }
        return names;
    }

    SampleRecordings samples;
    std::unique_ptr<MorlAuthenticator> window;
    std::vector<VerifyResult> arrived;
};

TEST_F(MainWindowTest, StartsEmptyWithTheBannerAndAHiddenDialog) {
    EXPECT_EQ(counts(), QStringList({"Total: 0", "Success: 0", "Failed: 0"}));
    // As large as the screen allows.
    EXPECT_EQ(window->size(),
              QSize(1024, 600).boundedTo(window->screen()->availableGeometry().size()));
    EXPECT_TRUE(window->acceptDrops());
    for (const char* text : {"Add", "Delete", "About"}) {
        EXPECT_NE(button(text), nullptr) << text;
    }
    EXPECT_TRUE(qApp->styleSheet().contains("QProgressBar::chunk"));
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    ASSERT_NE(dialog(), nullptr);
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_EQ(rowCount(), 0);
}

TEST_F(MainWindowTest, CountsFollowAddedAndDeletedRows) {
    RecordingEvidence verified;
    verified.verdict.code = VerdictCode::Success;
    RecordingEvidence unreadable;
    unreadable.verdict.code = VerdictCode::Error;
    unreadable.verdict.errorText = "failed to open file";
    const VerifyResult good("good.mkv", verified);
    const VerifyResult broken("broken.mkv", unreadable);
    addResult(good);
    addResult(broken);
    ASSERT_TRUE(waitUntil([&] { return counts().front() == "Total: 2"; }));
    EXPECT_EQ(counts(), QStringList({"Total: 2", "Success: 1", "Failed: 1"}));

    tree()->selectionModel()->select(tree()->model()->index(1, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::mouseClick(button("Delete"), Qt::LeftButton);
    EXPECT_EQ(counts(), QStringList({"Total: 1", "Success: 1", "Failed: 0"}));
    EXPECT_EQ(rowCount(), 1);
    EXPECT_NE(row("good.mkv"), nullptr);
}

TEST_F(MainWindowTest, AboutOpensADialogPerPress) {
    QTest::mouseClick(button("About"), Qt::LeftButton);
    const QList<AboutDlg*> dialogs = window->findChildren<AboutDlg*>();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs.front()->isVisible());
}

TEST_F(MainWindowTest, DragAcceptsOnlyLocalFilesNamedMkv) {
    EXPECT_TRUE(dragAccepted(local({"a.mkv", "b.mkv"})));
    EXPECT_TRUE(dragAccepted(local({"x.y.mkv"})));
    EXPECT_TRUE(dragAccepted(local({"A.MKV"}))) << "the suffix in any case, as Add Folder takes it";
    EXPECT_FALSE(dragAccepted(local({"a.mkv", "notes.txt"})));
    EXPECT_FALSE(dragAccepted(local({"mkv"})));
    EXPECT_FALSE(dragAccepted(local({"a.mkv"}) << QUrl("https://example.com/b.mkv")));
    EXPECT_FALSE(dragAccepted({}));
}

TEST_F(MainWindowTest, DropQueuesTheFilesInOrder) {
    drop(local({"b.mkv", "a.mkv"}));
    ASSERT_TRUE(waitForRows(2));
    EXPECT_EQ(arrivedNames(), QList<QByteArray>({"b.mkv", "a.mkv"}));
    EXPECT_EQ(counts(), QStringList({"Total: 2", "Success: 0", "Failed: 2"}));
}

TEST_F(MainWindowTest, DropWithAnyRemoteUrlQueuesNothing) {
    drop(local({"a.mkv"}) << QUrl("https://example.com/b.mkv"));
    queue({});  // what a cancelled file dialog hands over
    QTest::qWait(100);
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_TRUE(arrived.empty());
}

// Where the progress dialog stands as it shows: it shows once the files'
// sizes are looked up off the window's thread, and a short run may end
// before a test looks.
struct ShownAt : QObject {
    QPoint at;
    int shows = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            ++shows;
            at = static_cast<QWidget*>(watched)->pos();
        }
        return false;
    }
};

TEST_F(MainWindowTest, DialogIsCentredOverTheWindowOnceShown) {
    window->setGeometry(100, 100, 1024, 600);
    ShownAt shown;
    dialog()->installEventFilter(&shown);
    queue({samples.missing()});
    ASSERT_TRUE(waitUntil([&] { return arrived.size() == 1; }));
    EXPECT_EQ(shown.at, QPoint(611 - dialog()->width() / 2, 399 - dialog()->height() / 2));

    dialog()->show();
    dialog()->move(20, 30);
    queue({samples.authentic()});
    EXPECT_TRUE(waitUntil([&] { return arrived.size() == 2; }));
    EXPECT_EQ(dialog()->pos(), QPoint(20, 30)) << "a visible dialog is not moved";
}

TEST_F(MainWindowTest, DemoRecordingsEndAsOneRowEach) {
    QTemporaryDir demo;
    ASSERT_EQ(QProcess::execute(TELVAR_MAKE_DEMO, {demo.path()}), 0);
    queue({demo.filePath("authentic.mkv"), demo.filePath("tampered.mkv"),
           demo.filePath("unsigned.mkv")});
    ASSERT_TRUE(waitForRows(3));
    ASSERT_TRUE(waitUntil([&] { return !dialog()->isVisible(); })) << "the run's end hides it";

    const ResultModel::Row* authentic = row("authentic.mkv");
    const ResultModel::Row* tampered = row("tampered.mkv");
    const ResultModel::Row* unsignedRow = row("unsigned.mkv");
    ASSERT_TRUE(authentic && tampered && unsignedRow);
    EXPECT_EQ(authentic->result.code(), VerdictCode::Success);
    EXPECT_EQ(text("authentic.mkv", 3), "TLV-0001234");
    EXPECT_FALSE(text("authentic.mkv", 1).isEmpty());
    EXPECT_EQ(tampered->result.code(), VerdictCode::Mismatch);
    EXPECT_EQ(unsignedRow->result.code(), VerdictCode::Unsigned);
    // A failed row shows what its tag states, marked as unproven, and why it failed.
    EXPECT_EQ(text("tampered.mkv", 3), "TLV-0001234 (not verified)");
    EXPECT_EQ(text("authentic.mkv", ResultModel::kReasonColumn), "");
    EXPECT_EQ(text("tampered.mkv", ResultModel::kReasonColumn), "signature does not hold");
    EXPECT_EQ(text("unsigned.mkv", ResultModel::kReasonColumn), "not signed");
    EXPECT_TRUE(ResultModel::toolTip(*tampered).startsWith("First failure at 2026-12-01 08:00:1"))
        << ResultModel::toolTip(*tampered).toStdString();

    EXPECT_EQ(text("authentic.mkv", NResultTree::kResultColumn), "Success");
    EXPECT_EQ(text("tampered.mkv", NResultTree::kResultColumn), "Failed");
    EXPECT_EQ(text("unsigned.mkv", NResultTree::kResultColumn), "Failed");
    EXPECT_EQ(counts(), QStringList({"Total: 3", "Success: 1", "Failed: 2"}));
    EXPECT_EQ(rowCount(), 3);
}

TEST_F(MainWindowTest, ClosedDialogLosesNoResultAndReturnsForTheNextBatch) {
    queue({samples.authentic(), samples.tampered(), samples.unsignedFile(), samples.missing()});
    ASSERT_TRUE(waitUntil([&] { return dialog()->isVisible(); }));
    dialog()->close();
    ASSERT_TRUE(waitForRows(4));
    EXPECT_EQ(counts(), QStringList({"Total: 4", "Success: 1", "Failed: 3"}));
    EXPECT_FALSE(dialog()->isVisible());

    ShownAt shown;
    dialog()->installEventFilter(&shown);
    queue({samples.authentic()});
    ASSERT_TRUE(waitForRows(5));
    EXPECT_EQ(shown.shows, 1) << "the next batch shows the dialog again";
    // The same recording verified again counts once.
    EXPECT_EQ(counts(), QStringList({"Total: 4", "Success: 1", "Failed: 3"}));
}

TEST_F(MainWindowTest, NameOutsideAsciiShowsUnchangedAndVerifies) {
    const QString name = QString::fromUtf8("vidéo_日本.mkv");
    drop({QUrl::fromLocalFile(samples.writeAuthentic(name))});
    ASSERT_TRUE(waitForRows(1));
    const ResultModel::Row* item = row(name);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->result.code(), VerdictCode::Success) << item->result.errorText().toStdString();
}

// Neither an empty file nor one that is no recording is "unreadable": each
// row and its evidence say what the file is.
TEST_F(MainWindowTest, EmptyFileAndTextFileSayWhatTheyAre) {
    QTemporaryDir folder;
    QFile empty(folder.filePath("empty.mkv"));
    QFile text(folder.filePath("notes.mkv"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly) && text.open(QIODevice::WriteOnly));
    text.write("minutes of the meeting\n");
    text.close();
    queue({empty.fileName(), text.fileName()});
    ASSERT_TRUE(waitForRows(2));
    EXPECT_EQ(this->text("empty.mkv", ResultModel::kReasonColumn), "empty file");
    EXPECT_EQ(this->text("notes.mkv", ResultModel::kReasonColumn), "not a Matroska file");
    EXPECT_TRUE(ResultModel::toolTip(*row("empty.mkv")).contains("empty file"));
    tree()->setCurrentIndex(tree()->model()->index(1, 0));
    const QString evidence = window->findChild<EvidencePane*>()->plainText();
    EXPECT_TRUE(evidence.contains("Failed — not a Matroska file")) << evidence.toStdString();
    EXPECT_FALSE(evidence.contains("unreadable"));
}

// As "Open with" starts the program: a file and a folder on the command line.
TEST_F(MainWindowTest, ArgumentsAreQueuedAndTheFirstRowShowsItsEvidence) {
    const QByteArray single = QFile::encodeName(samples.tampered());
    const QByteArray folder = QFile::encodeName(samples.folder());
    const char* const argv[] = {"telvar-authenticator", single.constData(), folder.constData()};
    window->show();
    window->openOnStart(argumentPaths(3, argv));
    ASSERT_TRUE(waitForRows(4));
    EXPECT_EQ(arrivedNames(), QList<QByteArray>({"tampered.mkv", "authentic.mkv", "tampered.mkv",
                                                 "unsigned.mkv"}));
    EXPECT_EQ(tree()->selectedRows(), std::vector<int>{0});
    EXPECT_TRUE(window->findChild<EvidencePane*>()->isVisible());
    EXPECT_TRUE(argumentPaths(1, argv).isEmpty()) << "the program name is no path";
}

// A tampered recording whose name is not UTF-8, beside an authentic one:
// both listed, the name escaped, the core reading the very file, and the
// JSON export carrying the exact bytes of its path.
TEST_F(MainWindowTest, NameThatIsNotUtf8IsListedVerifiedAndExported) {
    QTemporaryDir folder;
    const QByteArray odd = QFile::encodeName(folder.path()) + "/caf\xe9-\xff.mkv";
    QFile tampered(samples.tampered());
    ASSERT_TRUE(tampered.open(QIODevice::ReadOnly));
    std::ofstream(odd.toStdString(), std::ios::binary) << tampered.readAll().toStdString();
    ASSERT_TRUE(QFile::copy(samples.authentic(), folder.filePath("authentic.mkv")));

    queue({folder.path()});
    ASSERT_TRUE(waitForRows(2));
    EXPECT_EQ(counts(), QStringList({"Total: 2", "Success: 1", "Failed: 1"}));
    const ResultModel::Row* item = row("caf\\xE9-\\xFF.mkv");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->result.code(), VerdictCode::Mismatch) << item->result.errorText().toStdString();

    ExportRequest request;
    request.format = ExportFormat::Json;
    request.rows = {1};
    request.path = folder.filePath("report.json");
    ASSERT_EQ(writeExport(*tree()->resultModel(), request), QString());
    QFile json(request.path);
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    EXPECT_TRUE(json.readAll().contains("\"" + odd.toHex() + "\"")) << "the path's bytes in hex";
    ::unlink(odd.constData());  // a name Qt's removal cannot see
}

// The same file named by a relative path, as a script passes it, gives the
// verdict Add Folder gives, and its row the absolute path's exact bytes.
TEST_F(MainWindowTest, RelativeNameThatIsNotUtf8GetsTheSameVerdict) {
    QTemporaryDir folder;
    const QByteArray root = QFile::encodeName(folder.path());
    ASSERT_TRUE(QDir(folder.path()).mkdir("casework"));
    const QByteArray odd = root + "/casework/tampered_\xff\xfe.mkv";
    QFile tampered(samples.tampered());
    ASSERT_TRUE(tampered.open(QIODevice::ReadOnly));
    std::ofstream(odd.toStdString(), std::ios::binary) << tampered.readAll().toStdString();
    const QString before = QDir::currentPath();
    ASSERT_EQ(::chdir(root.constData()), 0);
    const char* const argv[] = {"telvar-authenticator", "casework/tampered_\xff\xfe.mkv"};
    window->openOnStart(argumentPaths(2, argv));
    const bool listed = waitForRows(1);
    QDir::setCurrent(before);
    ::unlink(odd.constData());
    ASSERT_TRUE(listed);
    const ResultModel::Row& item = tree()->resultModel()->row(0);
    EXPECT_EQ(item.result.code(), VerdictCode::Mismatch) << item.result.errorText().toStdString();
    EXPECT_EQ(pathBytes(item.result.path), odd);
}

// Ctrl+O lists a name that is not UTF-8 (Qt's file dialog leaves it out)
// and the suffix in any case, and hands the exact bytes to the verifier.
TEST_F(MainWindowTest, AddDialogListsAndPassesANameThatIsNotUtf8) {
    QTemporaryDir folder;
    const QByteArray root = QFile::encodeName(folder.path());
    const QByteArray odd = root + "/tampered_\xff\xfe.mkv";
    QFile tampered(samples.tampered());
    ASSERT_TRUE(tampered.open(QIODevice::ReadOnly));
    std::ofstream(odd.toStdString(), std::ios::binary) << tampered.readAll().toStdString();
    ASSERT_TRUE(QFile::copy(samples.authentic(), folder.filePath("UPPER.MKV")));
    ASSERT_TRUE(QFile::copy(samples.authentic(), folder.filePath(".hidden.mkv")));
    ASSERT_TRUE(QFile::copy(samples.authentic(), folder.filePath("notes.txt")));
    ASSERT_TRUE(QDir(folder.path()).mkdir("sub"));
    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto* const picker = qobject_cast<RecordingPicker*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        picker->openFolder(folder.path());
        ASSERT_TRUE(waitUntil([&] { return !picker->listing(); }));
        for (int i = 0; i < picker->entries()->count(); ++i) {
            listed << picker->entries()->item(i)->text();
        }
        picker->entries()->selectAll();  // the folder among them is not a file to add
        picker->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        if (picker->isVisible()) {
            picker->reject();
        }
    });
    window->findChild<QAction*>("addAction")->trigger();
    EXPECT_EQ(listed, QStringList({"sub", "UPPER.MKV", "tampered_\\xFF\\xFE.mkv"}));
    ASSERT_TRUE(waitForRows(2));
    const ResultModel::Row* item = row("tampered_\\xFF\\xFE.mkv");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->result.code(), VerdictCode::Mismatch) << item->result.errorText().toStdString();
    EXPECT_EQ(pathBytes(item->result.path), odd);
    ::unlink(odd.constData());
}

TEST_F(MainWindowTest, ClosingMidRunStopsTheWorkerPromptly) {
    const QString longRecording = samples.path("long.mkv");
    writeLongRecording(QFile::encodeName(longRecording).toStdString(), 2ull << 30);
    window->show();
    queue({longRecording, samples.authentic()});
    ASSERT_TRUE(
        waitUntil([&] { return dialog()->findChild<QLabel*>()->text().contains("long.mkv"); }));

    QElapsedTimer timer;
    timer.start();
    window->close();
    window.reset();
    EXPECT_LT(timer.elapsed(), 1000);
}

}  // namespace

// The tampered demo's pane shows the pictures around the overwritten
// seconds, each saying how far its cluster is proven; a click on a span
// decodes its picture; the PDF report carries the pictures.
TEST_F(MainWindowTest, TamperedDemoShowsItsFilmstripInPaneAndPdf) {
    QTemporaryDir demo;
    ASSERT_EQ(QProcess::execute(TELVAR_MAKE_DEMO, {demo.path()}), 0);
    queue({demo.filePath("tampered.mkv")});
    ASSERT_TRUE(waitForRows(1));
    const ResultModel::Row* tampered = row("tampered.mkv");
    ASSERT_TRUE(tampered != nullptr && tampered->result.evidence != nullptr);
    EXPECT_TRUE(tampered->result.evidence->clusters.empty()) << "the cluster map is dropped";

    EvidencePane pane;
    pane.showRows({tampered});
    EXPECT_EQ(pane.filmstrip()->labels(),
              QStringList({"Cluster 14 · 00:00:13 (08:00:13 as stated) · links hold, not tied "
                           "to the tag",
                           "Cluster 15 · 00:00:14 (08:00:14 as stated) · failed",
                           "Cluster 16 · 00:00:15 (08:00:15 as stated) · failed",
                           "Cluster 17 · 00:00:16 (08:00:16 as stated) · failed",
                           "Cluster 18 · 00:00:17 (08:00:17 as stated) · verified"}));
    EXPECT_EQ(pane.filmstrip()->pictureCount(), 5);

    // A click on the failing span, as a person makes it.
    TimelineView* const timeline = pane.timeline();
    timeline->resize(1000, timeline->sizeHint().height());
    int x = 0;
    while (x < timeline->width() && !timeline->spanTextAt(x).contains("mismatch")) {
        ++x;
    }
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(x, 20), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(timeline, &click);
    EXPECT_TRUE(waitUntil([&] { return pane.filmstrip()->pictureCount() == 6; }));
    EXPECT_EQ(pane.filmstrip()->labels().value(5),
              "Clicked: Cluster 15 · 00:00:14 (08:00:14 as stated) · failed");
    // Clicks in a burst decode on a few threads, not one each.
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::sendEvent(timeline, &click);
    }
    EXPECT_LE(pane.decoding(), EvidencePane::kDecoders);
    EXPECT_TRUE(waitUntil([&] { return pane.decoding() == 0; }));

    ExportRequest request;
    request.rows = {0};
    request.path = demo.filePath("report.pdf");
    ASSERT_EQ(writeExport(*tree()->resultModel(), request), QString());
    QProcess images;
    images.start("pdfimages", {"-list", request.path});
    ASSERT_TRUE(images.waitForFinished(30000));
    // Two header lines, then the five pictures (the timeline is drawn as lines).
    EXPECT_GE(QString::fromUtf8(images.readAllStandardOutput()).count('\n'), 2 + 5);

    request.format = ExportFormat::Html;
    request.path = demo.filePath("report.html");
    ASSERT_EQ(writeExport(*tree()->resultModel(), request), QString());
    QFile html(request.path);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    EXPECT_EQ(html.readAll().count("src=\"data:image/png;base64,"), 5);
}
