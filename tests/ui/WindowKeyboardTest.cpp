// The window driven as a keyboard user and an investigator with folders
// would: shortcuts, Enter on a row, folder drops, cancelling a run.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <memory>

#include "signature/RecordingEvidence.h"
#include "ui/AboutDlg.h"
#include "ui/EvidencePane.h"
#include "ui/EvidenceText.h"
#include "ui/MorlAuthenticator.h"
#include "ui/NResultTree.h"
#include "ui/NToolButton.h"
#include "ui/TimelineView.h"
#include "verification/EventWait.h"
#include "verification/LongRecording.h"
#include "verification/SampleRecordings.h"
#include "verification/VerifyProgressDlg.h"

namespace {

class WindowKeyboardTest : public ::testing::Test {
  protected:
    WindowKeyboardTest() : window(std::make_unique<MorlAuthenticator>()) {
        window->show();
        activate();
        // Every file or export dialog a shortcut opens is dismissed at once.
        QObject::connect(&dismiss, &QTimer::timeout, [] {
            if (QWidget* const modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
        dismiss.start(20);
    }

    // A dismissed dialog does not always hand activation back offscreen.
    void activate() {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    NResultTree* tree() const { return window->findChild<NResultTree*>(); }
    VerifyProgressDlg* dialog() const { return window->findChild<VerifyProgressDlg*>(); }
    int rows() const { return tree()->model()->rowCount(); }
    QString name(int row) const { return tree()->model()->index(row, 0).data().toString(); }
    void drop(const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        // As on screen: the drop follows a drag entering the window.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &event);
    }
    void addRows(int count) {
        for (int i = 0; i < count; ++i) {
            RecordingEvidence evidence;
            evidence.verdict.code = i == 0 ? VerdictCode::Success : VerdictCode::Mismatch;
            VerifyResult result(QByteArray::number(i), std::move(evidence));
            result.path = QStringLiteral("/recordings/%1.mkv").arg(i);
            tree()->addResult(result);
        }
        tree()->flush();
    }

    SampleRecordings samples;
    QTimer dismiss;
    std::unique_ptr<MorlAuthenticator> window;
};

}  // namespace

TEST_F(WindowKeyboardTest, ShortcutsReachEveryAction) {
    const std::pair<const char*, QKeySequence> keys[] = {
        {"addAction", QKeySequence(QStringLiteral("Ctrl+O"))},
        {"addFolderAction", QKeySequence(QStringLiteral("Ctrl+Shift+O"))},
        {"deleteAction", QKeySequence(Qt::Key_Delete)},
        {"exportAction", QKeySequence(QStringLiteral("Ctrl+E"))},
        {"copyAction", QKeySequence(QStringLiteral("Ctrl+C"))},
        {"verifyAgainAction", QKeySequence(QStringLiteral("Ctrl+R"))},
        {"verifyNotVerifiedAction", QKeySequence(QStringLiteral("Ctrl+Shift+R"))},
        {"aboutAction", QKeySequence(Qt::Key_F1)},  // last: the box is modal to the window
    };
    addRows(3);
    tree()->setFocus();
    for (const auto& [name, sequence] : keys) {
        auto* const action = window->findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << name;
        QSignalSpy triggered(action, &QAction::triggered);
        activate();
        tree()->setFocus();
        QTest::keySequence(window.get(), sequence);
        EXPECT_EQ(triggered.count(), 1) << name;
    }
    const QList<AboutDlg*> about = window->findChildren<AboutDlg*>();
    ASSERT_EQ(about.size(), 1);
    // The About box lists every key the window answers.
    QList<QKeySequence> listed;
    for (const QLabel* label : about.front()->findChildren<QLabel*>("keys")) {
        listed << QKeySequence(label->text());
    }
    for (const QAction* action : window->findChildren<QAction*>()) {
        if (!action->shortcut().isEmpty()) {
            EXPECT_TRUE(listed.contains(action->shortcut()))
                << action->shortcut().toString().toStdString();
        }
    }
    EXPECT_TRUE(waitUntil([] { return QApplication::activeModalWidget() == nullptr; }));

    // Ctrl+A selects every row, Ctrl+C copies them, Delete removes them.
    activate();
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(tree()->selectedRows().size(), 3u);
    QTest::keyClick(tree(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().count('\n'), 3);
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(rows(), 0);
}

// Many rows go only when the user agrees; Ctrl+Z puts a removal back in its
// places, evidence and all, and both are announced with the paths' bytes.
TEST_F(WindowKeyboardTest, DeleteAsksForManyRowsAndCtrlZPutsThemBack) {
    std::vector<int> asked;
    bool agree = false;
    window->setRemovalConfirmation([&](int count) {
        asked.push_back(count);
        return agree;
    });
    addRows(12);
    ResultModel& model = *tree()->resultModel();
    QSignalSpy removed(window.get(), &MorlAuthenticator::recordingsRemoved);
    QSignalSpy restored(window.get(), &MorlAuthenticator::recordingsRestored);
    tree()->setFocus();
    tree()->selectAll();
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(asked, std::vector<int>{12});
    EXPECT_EQ(rows(), 12) << "declined";

    // Ten rows or fewer go without a question.
    tree()->clearSelection();
    for (const int row : {2, 3, 7}) {
        tree()->selectionModel()->select(model.index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    const auto evidence = model.row(7).result.evidence;
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(asked.size(), 1u);
    ASSERT_EQ(rows(), 9);
    ASSERT_EQ(removed.count(), 1);
    RecordingEvidence later;
    later.verdict.code = VerdictCode::Mismatch;
    tree()->addResult(VerifyResult("later", std::move(later)));  // listed after the removal
    QTest::keySequence(window.get(), QKeySequence::Undo);
    ASSERT_EQ(rows(), 13);
    EXPECT_EQ(name(2), "2");
    EXPECT_EQ(name(3), "3");
    EXPECT_EQ(name(7), "7");
    EXPECT_EQ(name(12), "later");
    EXPECT_EQ(model.row(7).result.evidence, evidence);
    EXPECT_EQ(tree()->selectedRows(), (std::vector<int>{2, 3, 7}));
    ASSERT_EQ(restored.count(), 1);
    EXPECT_EQ(restored.front().front().value<QList<QByteArray>>(),
              removed.front().front().value<QList<QByteArray>>());
    EXPECT_EQ(window->findChild<QLabel*>("failedLabel")->text(), "Failed: 12");

    agree = true;
    tree()->selectAll();
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(rows(), 0);
    QTest::keySequence(window.get(), QKeySequence::Undo);
    QTest::keySequence(window.get(), QKeySequence::Undo);  // nothing more to undo
    EXPECT_EQ(rows(), 13);
}

TEST_F(WindowKeyboardTest, ArrowsAndEnterOpenTheEvidencePane) {
    addRows(3);
    tree()->setFocus();
    tree()->setCurrentIndex(tree()->model()->index(0, 0));
    QTest::keyClick(tree(), Qt::Key_Down);
    QTest::keyClick(tree(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(tree()->selectedRows(), (std::vector<int>{1, 2}));
    QTest::keyClick(tree(), Qt::Key_Up);
    QTest::keyClick(tree(), Qt::Key_Return);
    auto* const pane = window->findChild<EvidencePane*>();
    ASSERT_TRUE(pane->isVisible());
    EXPECT_TRUE(pane->isAncestorOf(QApplication::focusWidget()));
    EXPECT_TRUE(pane->plainText().startsWith("1")) << pane->plainText().toStdString();
}

TEST_F(WindowKeyboardTest, HeaderButtonsTakeFocusAndAnswerEnterAndSpace) {
    for (NToolButton* const button : window->findChildren<NToolButton*>()) {
        EXPECT_FALSE(button->accessibleName().isEmpty());
        EXPECT_EQ(button->focusPolicy(), Qt::StrongFocus);
    }
    NToolButton* about = nullptr;
    for (NToolButton* const button : window->findChildren<NToolButton*>()) {
        about = button->text() == "About" ? button : about;
    }
    ASSERT_NE(about, nullptr);
    activate();
    about->setFocus();
    QSignalSpy pressed(about, &NToolButton::released);
    QTest::keyClick(about, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return pressed.count() == 1; }));
    QTest::keyClick(about, Qt::Key_Space);
    EXPECT_EQ(pressed.count(), 2);
}

TEST_F(WindowKeyboardTest, DroppedFolderQueuesItsRecordingsSortedAndSkipsHidden) {
    const QDir root(samples.folder());
    ASSERT_TRUE(root.mkpath("b-sub") && root.mkpath(".hidden"));
    samples.writeAuthentic("b-sub/z.mkv");
    samples.writeAuthentic(".hidden/x.mkv");
    samples.writeAuthentic(".dot.mkv");
    QFile(root.filePath("notes.txt")).open(QIODevice::WriteOnly);

    dismiss.stop();
    drop(samples.folder());
    // The folder is walked off the GUI thread; a file given meanwhile still
    // comes after the folder's recordings.
    QMetaObject::invokeMethod(window.get(), "verifyFileList",
                              Q_ARG(QStringList, QStringList{samples.authentic()}));
    ASSERT_TRUE(waitUntil([&] { return window->findChild<QMessageBox*>("noteBox") != nullptr; }));
    auto* const note = window->findChild<QMessageBox*>("noteBox");
    EXPECT_TRUE(note->detailedText().contains(".hidden"));
    EXPECT_TRUE(note->detailedText().contains(".dot.mkv"));
    EXPECT_TRUE(note->detailedText().contains("notes.txt: not named .mkv"));
    EXPECT_EQ(note->text(), "3 entries in the folders were skipped.");
    note->close();
    ASSERT_TRUE(waitUntil([&] { return rows() == 5 && !dialog()->isRunning(); }));
    QStringList names;
    for (int row = 0; row < rows(); ++row) {
        names << name(row);
    }
    EXPECT_EQ(names, QStringList({"authentic.mkv (history, not counted)", "z.mkv", "tampered.mkv",
                                  "unsigned.mkv", "authentic.mkv (verified again, #2)"}));
    EXPECT_EQ(window->findChild<QLabel*>("totalLabel")->text(), "Total: 4")
        << "the path verified twice counts once";
}

TEST_F(WindowKeyboardTest, CancelLeavesNoFileUnaccountedFor) {
    const QString longRecording = samples.path("long.mkv");
    writeLongRecording(QFile::encodeName(longRecording).toStdString(), 2ull << 30);
    const QStringList queued = {samples.authentic(), longRecording, samples.tampered(),
                                samples.unsignedFile(), samples.missing()};
    QSignalSpy cancelled(dialog(), &VerifyProgressDlg::runCancelled);
    QMetaObject::invokeMethod(window.get(), "verifyFileList", Q_ARG(QStringList, queued));
    ASSERT_TRUE(
        waitUntil([&] { return dialog()->findChild<QLabel*>()->text().contains("long.mkv"); }));
    auto* const runLink = window->findChild<QLabel*>("runLink");
    EXPECT_TRUE(runLink->isVisible());
    QCoreApplication::processEvents();
    EXPECT_LE(window->minimumSizeHint().width(), 1024) << "the run line widens the window";
    dialog()->close();
    emit runLink->linkActivated("show");
    EXPECT_TRUE(dialog()->isVisible()) << "the run indicator brings the dialog back";

    // The dialog has the focus during a run; F1 still answers.
    dialog()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog()));
    QTest::keyClick(dialog(), Qt::Key_F1);
    const QList<AboutDlg*> about = window->findChildren<AboutDlg*>();
    ASSERT_EQ(about.size(), 1);
    about.front()->close();

    dismiss.stop();  // the note is read below
    dialog()->findChild<QPushButton*>()->click();
    ASSERT_EQ(cancelled.count(), 1);
    const QStringList dropped = cancelled.front().front().toStringList();
    EXPECT_EQ(cancelled.front().at(1).toInt(), 1) << "one file was in progress";
    // The file in progress and the queued ones are all listed, not verified.
    ASSERT_TRUE(waitUntil([&] { return rows() == 5; }));
    EXPECT_EQ(name(0), "authentic.mkv");
    EXPECT_EQ(tree()->resultModel()->row(0).result.code(), VerdictCode::Success);
    for (int row = 1; row < 5; ++row) {
        EXPECT_EQ(tree()->resultModel()->row(row).result.code(), VerdictCode::NotVerified) << row;
        EXPECT_EQ(tree()->model()->index(row, NResultTree::kResultColumn).data().toString(),
                  "Not verified (cancelled)");
    }
    EXPECT_EQ(name(1), "long.mkv");
    EXPECT_EQ(name(4), "missing.mkv");
    EXPECT_EQ(dropped, queued.mid(2));
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_FALSE(runLink->isVisible());
    auto* const note = window->findChild<QMessageBox*>("noteBox");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(
        note->text().startsWith("1 file in progress was stopped before its verdict, and "
                                "3 queued files were not started."))
        << note->text().toStdString();
    note->close();

    // The counts add up, and say what is not verified only while it is.
    EXPECT_EQ(window->findChild<QLabel*>("totalLabel")->text(), "Total: 5");
    EXPECT_EQ(window->findChild<QLabel*>("failedLabel")->text(), "Failed: 0");
    auto* const notVerified = window->findChild<QLabel*>("notVerifiedLabel");
    EXPECT_EQ(notVerified->text(), "Not verified: 4");
    EXPECT_TRUE(notVerified->isVisible());
    EXPECT_LE(window->minimumSizeHint().width(), 1024) << "the fourth count widens the window";
    // Its tag was never read, so it was not found missing either.
    const QString evidence = evidenceHtml(tree()->resultModel()->row(1));
    EXPECT_TRUE(evidence.contains("not read: the file was not verified"));
    EXPECT_FALSE(evidence.contains("none found"));

    // One key verifies them again; their rows give way to the new results.
    QFile::remove(longRecording);
    activate();
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 5's offscreen platform leaves no window active once the note has
    // closed, and a shortcut goes only to the active window.
    QApplication::setActiveWindow(window.get());
#endif
    tree()->setFocus();
    QTest::keySequence(window.get(), QKeySequence(QStringLiteral("Ctrl+Shift+R")));
    ASSERT_TRUE(dialog()->isRunning());
    ASSERT_TRUE(waitUntil([&] { return rows() == 5 && !dialog()->isRunning(); }));
    EXPECT_EQ(tree()->resultModel()->notVerifiedCount(), 0);
    EXPECT_FALSE(notVerified->isVisible());
    EXPECT_EQ(window->findChild<QLabel*>("totalLabel")->text(), "Total: 5");
    EXPECT_EQ(ResultModel::nameText(tree()->resultModel()->row(1)), "long.mkv")
        << "a file never verified is not \"verified again\"";
}

TEST_F(WindowKeyboardTest, PaneShowsTheCoresFindingsForATamperedFile) {
    const RecordingEvidence expected =
        examineRecording(QFile::encodeName(samples.tampered()).toStdString());
    ASSERT_FALSE(expected.findings.empty());
    QMetaObject::invokeMethod(window.get(), "verifyFileList",
                              Q_ARG(QStringList, QStringList{samples.tampered()}));
    ASSERT_TRUE(waitUntil([&] { return rows() == 1; }));
    tree()->setFocus();
    tree()->setCurrentIndex(tree()->model()->index(0, 0));
    auto* const pane = window->findChild<EvidencePane*>();
    ASSERT_TRUE(pane->isVisible());
    const QString text = pane->plainText();
    for (const Finding& finding : expected.findings) {
        EXPECT_TRUE(text.contains(QString::fromStdString(finding.text))) << text.toStdString();
    }
    EXPECT_TRUE(text.contains(QString::fromStdString(expected.identity.sha256)));
    EXPECT_TRUE(text.contains("NOT verified")) << "the tag's texts are marked as unproven";
    TimelineView* const timeline = pane->timeline();
    ASSERT_TRUE(timeline->isVisible());
    // Somewhere along the bar a span names the failing cluster.
    bool namesMismatch = false;
    for (int x = 0; x < timeline->width(); x += 2) {
        namesMismatch = namesMismatch || timeline->spanTextAt(x).contains("signature mismatch");
    }
    EXPECT_TRUE(namesMismatch);
}

// Tab walks the window as it reads, into the evidence's timeline, whose
// spans the arrows step through; Enter tells a span as the hover does and
// asks for its picture.
TEST_F(WindowKeyboardTest, TabReachesTheTimelineAndArrowsStepItsSpans) {
    QMetaObject::invokeMethod(window.get(), "verifyFileList",
                              Q_ARG(QStringList, QStringList{samples.tampered()}));
    ASSERT_TRUE(waitUntil([&] { return rows() == 1; }));
    tree()->setCurrentIndex(tree()->model()->index(0, 0));
    auto* const pane = window->findChild<EvidencePane*>();
    TimelineView* const timeline = pane->timeline();
    ASSERT_TRUE(timeline->isVisible());
    activate();

    QList<NToolButton*> buttons = window->findChildren<NToolButton*>();
    ASSERT_FALSE(buttons.isEmpty());
    ASSERT_TRUE(waitUntil([&] {
        buttons.front()->setFocus();
        return QApplication::focusWidget() == buttons.front();
    }));
    QList<QWidget*> visited;
    for (int i = 0; i < 12 && !visited.contains(QApplication::focusWidget()); ++i) {
        visited << QApplication::focusWidget();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    const qsizetype list = visited.indexOf(tree());
    const qsizetype bar = visited.indexOf(timeline);
    const qsizetype text = visited.indexOf(pane->textView());
    EXPECT_EQ(list, buttons.size()) << "the buttons first, then the list";
    EXPECT_GT(bar, list);
    EXPECT_GT(text, bar);

    QSignalSpy clicked(timeline, &TimelineView::spanClicked);
    timeline->setFocus();
    ASSERT_EQ(timeline->currentRun(), 0);
    QTest::keyClick(timeline, Qt::Key_Left);
    EXPECT_EQ(timeline->currentRun(), 0) << "stays on the bar";
    QTest::keyClick(timeline, Qt::Key_Right);
    ASSERT_EQ(timeline->currentRun(), 1);
    QTest::keyClick(timeline, Qt::Key_Return);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.front().front().toInt(), 1);
    EXPECT_FALSE(timeline->spanText(1).isEmpty());
    EXPECT_EQ(QToolTip::text(), timeline->spanText(1));
    EXPECT_EQ(timeline->accessibleDescription(), timeline->spanText(1));
    QSignalSpy play(timeline, &TimelineView::playRequested);
    QTest::keyClick(timeline, Qt::Key_Return, Qt::ShiftModifier);
    ASSERT_EQ(play.count(), 1);
    EXPECT_EQ(play.front().front().toLongLong(), *timeline->currentCluster());
    EXPECT_EQ(clicked.count(), 1) << "Shift+Enter plays; it does not show the span";
    QTest::keyClick(timeline, Qt::Key_End);
    QTest::keyClick(timeline, Qt::Key_Right);
    EXPECT_EQ(timeline->spanText(timeline->currentRun() + 1), "") << "stops at the last span";
}

// The splitters and the window's size come back at the next start, and a
// selection's evidence opens at its heading, not where the last was read.
TEST_F(WindowKeyboardTest, LayoutIsKeptAndEvidenceOpensAtItsHeading) {
    addRows(2);
    tree()->setCurrentIndex(tree()->model()->index(0, 0));
    auto* const pane = window->findChild<EvidencePane*>();
    auto* const text = qobject_cast<QTextEdit*>(pane->textView());
    ASSERT_TRUE(pane->isVisible() && text != nullptr);
    auto* const splitter = window->findChild<QSplitter*>();
    splitter->setSizes({300, 200});
    emit splitter->splitterMoved(300, 1);
    window->resize(1200, 700);
    text->setHtml(QString("<h3>top</h3>") + QString("<p>line</p>").repeated(200));
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    tree()->setCurrentIndex(tree()->model()->index(1, 0));
    EXPECT_TRUE(waitUntil([&] { return text->verticalScrollBar()->value() == 0; }));
    window->close();

    MorlAuthenticator next;
    // As it was left, within the screen it opens on (the test screen is
    // narrower than 1200 pixels).
    EXPECT_EQ(next.size(), QSize(1200, 700).boundedTo(next.screen()->availableGeometry().size()));
    next.show();
    auto* const nextTree = next.findChild<NResultTree*>();
    nextTree->addResult(VerifyResult("a.mkv", RecordingEvidence{}));
    nextTree->flush();
    nextTree->setCurrentIndex(nextTree->model()->index(0, 0));
    const QList<int> sizes = next.findChild<QSplitter*>()->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_NEAR(double(sizes[0]) / (sizes[0] + sizes[1]), 0.6, 0.05);
}

TEST_F(WindowKeyboardTest, SelectingThousandsListsAFewAndCountsTheRest) {
    addRows(5000);
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_A, Qt::ControlModifier);
    const QString text = window->findChild<EvidencePane*>()->plainText();
    EXPECT_TRUE(text.contains("5000 recordings selected"));
    EXPECT_TRUE(text.contains("… and 4800 more")) << text.left(300).toStdString();
}
