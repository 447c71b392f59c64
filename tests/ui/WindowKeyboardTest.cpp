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
#include <QSignalSpy>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "signature/RecordingEvidence.h"
#include "ui/AboutDlg.h"
#include "ui/EvidencePane.h"
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
            evidence.verdict.code = i == 0 ? 0 : 1;
            tree()->addResult(VerifyResult(QByteArray::number(i), std::move(evidence)));
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
        {"addAction", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"addFolderAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
        {"deleteAction", QKeySequence(Qt::Key_Delete)},
        {"exportAction", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"copyAction", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"verifyAgainAction", QKeySequence(Qt::CTRL | Qt::Key_R)},
        {"verifyNotVerifiedAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
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
    auto* const note = window->findChild<QMessageBox*>("noteBox");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->detailedText().contains(".hidden"));
    EXPECT_TRUE(note->detailedText().contains(".dot.mkv"));
    EXPECT_TRUE(note->detailedText().contains("notes.txt: not named .mkv"));
    EXPECT_EQ(note->text(), "3 entries in the folders were skipped.");
    note->close();
    ASSERT_TRUE(waitUntil([&] { return rows() == 4 && !dialog()->isRunning(); }));
    QStringList names;
    for (int row = 0; row < rows(); ++row) {
        names << name(row);
    }
    EXPECT_EQ(names, QStringList({"authentic.mkv", "z.mkv", "tampered.mkv", "unsigned.mkv"}));
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
    EXPECT_EQ(tree()->resultModel()->row(0).result.code(), 0);
    for (int row = 1; row < 5; ++row) {
        EXPECT_EQ(tree()->resultModel()->row(row).result.code(), -1) << row;
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

    // One key verifies them again; their rows give way to the new results.
    QFile::remove(longRecording);
    activate();
    tree()->setFocus();
    QTest::keySequence(window.get(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
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

TEST_F(WindowKeyboardTest, SelectingThousandsListsAFewAndCountsTheRest) {
    addRows(5000);
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_A, Qt::ControlModifier);
    const QString text = window->findChild<EvidencePane*>()->plainText();
    EXPECT_TRUE(text.contains("5000 recordings selected"));
    EXPECT_TRUE(text.contains("… and 4800 more")) << text.left(300).toStdString();
}
