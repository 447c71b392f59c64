#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <vector>

#include "verification/EventWait.h"
#include "verification/SampleRecordings.h"
#include "verification/VerifyProgressDlg.h"

namespace {

// What the dialog shows each time it forwards a result: the label still
// names that file, the bar has been filled.
struct Forwarded {
    QByteArray fileName;
    VerdictCode code;
    QString label;
    int bar;
};

class VerifyProgressDlgTest : public ::testing::Test {
  protected:
    VerifyProgressDlgTest() {
        QObject::connect(&dialog, &VerifyProgressDlg::gotVerifyResult, &dialog,
                         [this](const VerifyResult& result) {
                             forwarded.push_back(
                                 {result.fileName, result.code(), label()->text(), bar()->value()});
                         });
    }

    QLabel* label() const { return dialog.findChild<QLabel*>(); }
    QProgressBar* bar() const { return dialog.findChild<QProgressBar*>(); }

    QStringList named(const QStringList& names) const {
        QStringList paths;
        for (const QString& name : names) {
            paths << samples.path(name);
        }
        return paths;
    }

    bool waitForResults(size_t count) {
        return waitUntil([&] { return forwarded.size() >= count; });
    }

    QStringList labels() const {
        QStringList texts;
        for (const Forwarded& f : forwarded) {
            texts << f.label;
        }
        return texts;
    }

    // Files that follow each other faster than kFileLineMs share a line:
    // each label seen is one of `lines`, none goes back, and the run's last
    // file is named when its result is forwarded.
    void expectLinesInOrder(const QStringList& lines) const {
        const QStringList seen = labels();
        ASSERT_EQ(seen.size(), lines.size());
        decltype(lines.size()) at = 0;  // int in Qt 5
        for (const QString& label : seen) {
            const auto found = lines.indexOf(label, at);
            ASSERT_GE(found, at) << label.toStdString() << " is not the file or goes back";
            at = found;
        }
        EXPECT_EQ(seen.front(), lines.front()) << "a run's first file is named at once";
        EXPECT_EQ(seen.back(), lines.back());
    }

    SampleRecordings samples;
    VerifyProgressDlg dialog;
    std::vector<Forwarded> forwarded;
};

TEST_F(VerifyProgressDlgTest, IsASmallFixedWindowWithACloseButtonOnly) {
    EXPECT_EQ(dialog.windowTitle(), "Verifying");
    EXPECT_EQ(dialog.size(), QSize(460, 190));
    EXPECT_FALSE(dialog.isModal()) << "the window answers during a run";
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(bar()->minimum(), 0);
    EXPECT_EQ(bar()->maximum(), 100);
}

TEST_F(VerifyProgressDlgTest, LabelNamesTheFileAndItsPlaceInTheRun) {
    dialog.verifyFiles(named({"a.mkv", "clip.mkv", "c.mkv", "d.mkv", "e.mkv"}));
    ASSERT_TRUE(waitForResults(5));

    expectLinesInOrder({"Verifying: a.mkv (1/5)\n", "Verifying: clip.mkv (2/5)\n",
                        "Verifying: c.mkv (3/5)\n", "Verifying: d.mkv (4/5)\n",
                        "Verifying: e.mkv (5/5)\n"});
}

// Files apart by more than kFileLineMs are each named as they start; one
// that follows sooner is named once that time is up, with its own place.
TEST_F(VerifyProgressDlgTest, LabelKeepsUpWithAStreamAFewTimesASecond) {
    dialog.startProgress("a.mkv");
    EXPECT_EQ(label()->text(), "Verifying: a.mkv (1/0)\n");
    QTest::qWait(kFileLineMs + 20);
    dialog.startProgress("b.mkv");
    EXPECT_EQ(label()->text(), "Verifying: b.mkv (2/0)\n");
    dialog.startProgress("c.mkv");
    dialog.startProgress("d.mkv");
    EXPECT_EQ(label()->text(), "Verifying: b.mkv (2/0)\n") << "held back";
    ASSERT_TRUE(waitUntil([&] { return label()->text() == "Verifying: d.mkv (4/0)\n"; }));
    EXPECT_EQ(label()->toolTip(), "d.mkv");
}

TEST_F(VerifyProgressDlgTest, PlaceholdersInAFileNameAreNotFilled) {
    dialog.verifyFiles(named({"clip%2.mkv"}));
    ASSERT_TRUE(waitForResults(1));
    EXPECT_EQ(forwarded[0].label, "Verifying: clip%2.mkv (1/1)\n");
}

TEST_F(VerifyProgressDlgTest, CountersStartAgainAfterARun) {
    dialog.show();
    dialog.verifyFiles(named({"a.mkv", "b.mkv"}));
    ASSERT_TRUE(waitForResults(2));
    ASSERT_TRUE(waitUntil([&] { return !dialog.isVisible(); })) << "the run's end hides it";

    dialog.verifyFiles(named({"c.mkv"}));
    ASSERT_TRUE(waitForResults(3));
    EXPECT_EQ(labels(), QStringList({"Verifying: a.mkv (1/2)\n", "Verifying: b.mkv (2/2)\n",
                                     "Verifying: c.mkv (1/1)\n"}));
}

TEST_F(VerifyProgressDlgTest, FileAddedMidRunRaisesTheTotal) {
    // Queued when the first result arrives: the worker may still be on the
    // second file or already past its end; both count as the same run.
    QObject::connect(&dialog, &VerifyProgressDlg::gotVerifyResult, &dialog, [this] {
        if (forwarded.size() == 1) {
            dialog.verifyFiles(named({"c.mkv"}));
        }
    });
    dialog.verifyFiles(named({"a.mkv", "b.mkv"}));
    ASSERT_TRUE(waitForResults(3));
    // b.mkv may be named before c.mkv joined the run, or after.
    const QStringList seen = labels();
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0], "Verifying: a.mkv (1/2)\n");
    EXPECT_TRUE(seen[1] == "Verifying: a.mkv (1/2)\n" || seen[1] == "Verifying: b.mkv (2/2)\n" ||
                seen[1] == "Verifying: b.mkv (2/3)\n")
        << seen[1].toStdString();
    EXPECT_EQ(seen[2], "Verifying: c.mkv (3/3)\n");
}

TEST_F(VerifyProgressDlgTest, ResultsArriveWhileHidden) {
    // Never shown, then shown and closed mid-run: every file still arrives.
    dialog.verifyFiles({samples.authentic(), samples.tampered(), samples.unsignedFile()});
    ASSERT_TRUE(waitForResults(3));
    dialog.show();
    QObject::connect(&dialog, &VerifyProgressDlg::gotVerifyResult, &dialog, [this] {
        if (forwarded.size() == 4) {
            dialog.close();
        }
    });
    dialog.verifyFiles({samples.authentic(), samples.missing(), samples.tampered()});
    ASSERT_TRUE(waitForResults(6));

    std::vector<int> codes;
    for (const Forwarded& f : forwarded) {
        codes.push_back(verdictNumber(f.code));
    }
    EXPECT_EQ(codes, (std::vector<int>{0, 1, 2, 0, 3, 1}));
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(VerifyProgressDlgTest, BarStartsEmptyAndEndsFullForEachFile) {
    dialog.verifyFiles({samples.authentic(), samples.missing()});
    ASSERT_TRUE(waitForResults(2));
    EXPECT_EQ(forwarded[0].bar, 100);
    EXPECT_EQ(forwarded[1].bar, 100);

    dialog.updateProgress(40);
    dialog.startProgress("next.mkv");
    EXPECT_EQ(bar()->value(), 0);
    dialog.updateProgress(40);
    dialog.updateProgress(250);  // out of range: ignored
    EXPECT_EQ(bar()->value(), 40);
}

TEST_F(VerifyProgressDlgTest, StopDropsTheQueueAndHides) {
    dialog.show();
    dialog.verifyFiles({samples.authentic(), samples.tampered(), samples.unsignedFile()});
    dialog.stopVerification();
    EXPECT_FALSE(dialog.isVisible());
    // Whatever had been taken from the queue has ended as a result already.
    const size_t before = forwarded.size();
    EXPECT_LE(before, 3u);
    QTest::qWait(100);
    EXPECT_EQ(forwarded.size(), before);

    dialog.verifyFiles({samples.authentic()});
    ASSERT_TRUE(waitForResults(before + 1));
    EXPECT_EQ(forwarded.back().label, "Verifying: authentic.mkv (1/1)\n");
}

TEST_F(VerifyProgressDlgTest, LongNameGivesWayInItsMiddleSoTheCounterStays) {
    dialog.show();
    const QString name = "camera-" + QString(200, 'x') + "-end.mkv";
    dialog.startProgress(name);
    const QString text = label()->text();
    EXPECT_TRUE(text.startsWith("Verifying: camera-"));
    EXPECT_TRUE(text.endsWith("-end.mkv (1/0)\n")) << text.toStdString();
    EXPECT_LE(label()->fontMetrics().horizontalAdvance(text.trimmed()), label()->width());
    EXPECT_EQ(label()->toolTip(), name) << "the whole name is still at hand";
}

// The run's line, bar and counts follow the results; the counts are the
// run's own, as the window's counts row adds them up.
TEST_F(VerifyProgressDlgTest, RunLineCountsFilesBytesAndResults) {
    const QStringList files = {samples.authentic(), samples.tampered(), samples.unsignedFile()};
    // The sizes come from the caller, which looked them up off the window's
    // thread (the folder walk); the dialog looks at no file.
    QList<qint64> sizes;
    qint64 bytes = 0;
    for (const QString& file : files) {
        sizes << QFileInfo(file).size();
        bytes += sizes.back();
    }
    QStringList lines;
    QStringList counts;
    QObject::connect(&dialog, &VerifyProgressDlg::gotVerifyResult, &dialog, [&] {
        dialog.showRun();
        lines << dialog.findChild<QLabel*>("runLabel")->text();
        counts << dialog.findChild<QLabel*>("runCounts")->text();
    });
    dialog.verifyFiles(files, sizes);
    ASSERT_TRUE(waitForResults(3));
    const QString total =
        QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
    EXPECT_TRUE(lines[0].startsWith("1 of 3 files done · ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[2].startsWith("3 of 3 files done · " + total + " of " + total))
        << lines[2].toStdString();
    EXPECT_EQ(counts, QStringList({"Success: 1   Failed: 0", "Success: 1   Failed: 1",
                                   "Success: 1   Failed: 2"}));
    EXPECT_EQ(dialog.findChild<QProgressBar*>("runBar")->value(), 1000);
}

// Files faster than the eye hold painting back, but a steady stream of them
// must not hold it for good: the dialog would stand still on its first file.
TEST_F(VerifyProgressDlgTest, AStreamOfFilesStillRepaints) {
    dialog.show();
    QElapsedTimer stream;
    stream.start();
    bool painted = false;
    for (int i = 0; stream.elapsed() < 300; ++i) {
        dialog.startProgress(QStringLiteral("rec%1.mkv").arg(i));
        QTest::qWait(2);
        painted = painted || (stream.elapsed() > 100 && dialog.updatesEnabled());
    }
    EXPECT_TRUE(painted);
}

TEST(TimeLeft, SaysNothingUntilItMeansSomething) {
    EXPECT_EQ(timeLeftText(0.5, 1000), QString());     // too early
    EXPECT_EQ(timeLeftText(0.005, 60000), QString());  // too little done
    EXPECT_EQ(timeLeftText(1.0, 60000), QString());
    EXPECT_EQ(timeLeftText(0.5, 10000), "about 10 s left");
    EXPECT_EQ(timeLeftText(0.25, 60000), "about 3 min left");
    EXPECT_EQ(timeLeftText(0.1, 3600000), "about 9 h 0 min left");
}

}  // namespace
