#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QTemporaryDir>
#include <memory>
#include <stdexcept>
#include <vector>

#include "verification/EventWait.h"
#include "verification/LongRecording.h"
#include "verification/SampleRecordings.h"
#include "verification/VerifyWorkerThread.h"

namespace {

// The worker's signals as text, in the order they reach the test thread.
class SignalLog : public QObject {
  public:
    explicit SignalLog(VerifyWorkerThread& worker) {
        connect(&worker, &VerifyWorkerThread::startVerifyFile, this,
                [this](const QString& path) { events << "start " + QFileInfo(path).fileName(); });
        connect(&worker, &VerifyWorkerThread::verifyProgress, this,
                [this](int progress) { progressSeen.push_back(progress); });
        connect(&worker, &VerifyWorkerThread::stopVerifyFile, this,
                [this](const VerifyResult& result) {
                    events << QString("stop %1 %2")
                                  .arg(QString::fromUtf8(result.fileName))
                                  .arg(verdictNumber(result.code()));
                    results.push_back(result);
                });
        // A file verified with others: its start and its stop in one.
        connect(&worker, &VerifyWorkerThread::verifiedFile, this,
                [this](const QString& path, const VerifyResult& result) {
                    events << "start " + QFileInfo(path).fileName();
                    events << QString("stop %1 %2")
                                  .arg(QString::fromUtf8(result.fileName))
                                  .arg(verdictNumber(result.code()));
                    results.push_back(result);
                });
        connect(&worker, &QThread::finished, this, [this] { events << "finished"; });
    }

    int runsFinished() const { return static_cast<int>(events.count("finished")); }

    QStringList events;
    std::vector<int> progressSeen;
    std::vector<VerifyResult> results;
};

// Holds every file at its start until the test lets it go, so batches can
// be added while a run is certainly in progress.
class GatedWorker : public VerifyWorkerThread {
  public:
    ~GatedWorker() override {
        proceed.release(1000);
        stop();
    }

    QSemaphore entered;
    QSemaphore proceed;

  protected:
    RecordingEvidence evidenceOf(const QByteArray& localPath, int threads, bool progress) override {
        entered.release();
        proceed.acquire();
        return VerifyWorkerThread::evidenceOf(localPath, threads, progress);
    }
};

// Stands in for verdict sources that fail with something other than the
// reader's own exception.
class ThrowingWorker : public VerifyWorkerThread {
  public:
    ~ThrowingWorker() override { stop(); }

  protected:
    RecordingEvidence evidenceOf(const QByteArray& localPath, int threads, bool progress) override {
        if (localPath.endsWith("runtime.mkv")) {
            throw std::runtime_error("library failure");
        }
        if (localPath.endsWith("blank.mkv")) {
            throw std::runtime_error("");
        }
        if (localPath.endsWith("nonstandard.mkv")) {
            throw 42;
        }
        return VerifyWorkerThread::evidenceOf(localPath, threads, progress);
    }
};

class VerifyWorkerThreadTest : public ::testing::Test {
  protected:
    void SetUp() override { qRegisterMetaType<VerifyResult>("VerifyResult"); }

    static bool waitForRuns(const SignalLog& log, int runs) {
        return waitUntil([&] { return log.runsFinished() >= runs; });
    }

    SampleRecordings samples;
};

TEST_F(VerifyWorkerThreadTest, ThreeFilesGiveOrderedPairsThenOneFinished) {
    VerifyWorkerThread worker;
    SignalLog log(worker);
    worker.addFiles({samples.authentic(), samples.tampered(), samples.unsignedFile()});
    ASSERT_TRUE(waitForRuns(log, 1));

    EXPECT_EQ(log.events, QStringList({"start authentic.mkv", "stop authentic.mkv 0",
                                       "start tampered.mkv", "stop tampered.mkv 1",
                                       "start unsigned.mkv", "stop unsigned.mkv 2", "finished"}));
}

TEST_F(VerifyWorkerThreadTest, VerdictsCarryMetadataOnlyOnSuccess) {
    VerifyWorkerThread worker;
    SignalLog log(worker);
    worker.addFiles(
        {samples.authentic(), samples.tampered(), samples.unsignedFile(), samples.missing()});
    ASSERT_TRUE(waitForRuns(log, 1));
    ASSERT_EQ(log.results.size(), 4u);

    const VerifyResult& authentic = log.results[0];
    EXPECT_EQ(authentic.code(), VerdictCode::Success);
    EXPECT_EQ(authentic.serialNumber(), SampleRecordings::kSerialNumber);
    EXPECT_EQ(authentic.startTime(), SampleRecordings::kStartTime);
    EXPECT_EQ(authentic.endTime(), SampleRecordings::kEndTime);
    EXPECT_TRUE(authentic.errorText().isEmpty());
    EXPECT_TRUE(authentic.detail().isEmpty());

    // The tampered and unsigned recorders' tags hold texts; they stay out.
    for (const VerifyResult& failed : {log.results[1], log.results[2]}) {
        SCOPED_TRACE(failed.fileName.toStdString());
        EXPECT_TRUE(failed.serialNumber().isEmpty());
        EXPECT_TRUE(failed.startTime().isEmpty());
        EXPECT_TRUE(failed.endTime().isEmpty());
        EXPECT_TRUE(failed.errorText().isEmpty());
        EXPECT_FALSE(failed.detail().isEmpty()) << "the reason goes to the tool tip";
    }
    EXPECT_TRUE(log.results[1].detail().contains("cluster 3"));

    const VerifyResult& missing = log.results[3];
    EXPECT_EQ(missing.code(), VerdictCode::Error);
    EXPECT_EQ(missing.fileName, "missing.mkv");
    EXPECT_FALSE(missing.errorText().isEmpty());
    EXPECT_TRUE(missing.serialNumber().isEmpty());
}

TEST_F(VerifyWorkerThreadTest, ProgressOfTheWalkArrivesBetweenStartAndStop) {
    VerifyWorkerThread worker;
    SignalLog log(worker);
    // Progress is logged apart; mark where it arrives by a start/stop pair.
    QObject::connect(&worker, &VerifyWorkerThread::verifyProgress, &log,
                     [&log](int progress) { log.events << QString("progress %1").arg(progress); });
    worker.addFiles({samples.authentic()});
    ASSERT_TRUE(waitForRuns(log, 1));

    ASSERT_GE(log.events.size(), 4);
    EXPECT_EQ(log.events.first(), "start authentic.mkv");
    EXPECT_EQ(log.events.mid(log.events.size() - 2),
              QStringList({"stop authentic.mkv 0", "finished"}));
    ASSERT_FALSE(log.progressSeen.empty());
    for (size_t i = 0; i < log.progressSeen.size(); ++i) {
        EXPECT_GE(log.progressSeen[i], i == 0 ? 0 : log.progressSeen[i - 1]);
        EXPECT_LE(log.progressSeen[i], 100);
    }
}

TEST_F(VerifyWorkerThreadTest, SecondBatchJoinsTheRunningRun) {
    GatedWorker worker;
    SignalLog log(worker);
    worker.addFiles({samples.authentic(), samples.tampered()});
    worker.entered.acquire();  // the first file is being verified
    worker.addFiles({samples.unsignedFile(), samples.missing()});
    worker.proceed.release(4);
    ASSERT_TRUE(waitForRuns(log, 1));
    QTest::qWait(50);  // a second finished() would have arrived by now

    EXPECT_EQ(log.events,
              QStringList({"start authentic.mkv", "stop authentic.mkv 0", "start tampered.mkv",
                           "stop tampered.mkv 1", "start unsigned.mkv", "stop unsigned.mkv 2",
                           "start missing.mkv", "stop missing.mkv 3", "finished"}));
}

TEST_F(VerifyWorkerThreadTest, BatchesQueuedBackToBackAreNeverLost) {
    // Each addFiles lands anywhere in the previous run's ending; every path
    // must still be verified exactly once.
    VerifyWorkerThread worker;
    SignalLog log(worker);
    constexpr int kBatches = 50;
    for (int i = 0; i < kBatches; ++i) {
        worker.addFiles({samples.path(QString("gone%1.mkv").arg(i))});
        QThread::usleep(static_cast<unsigned long>(i % 7) * 50);
    }
    ASSERT_TRUE(waitUntil([&] { return log.results.size() == static_cast<size_t>(kBatches); }));
    for (int i = 0; i < kBatches; ++i) {
        EXPECT_EQ(log.results[static_cast<size_t>(i)].fileName,
                  QString("gone%1.mkv").arg(i).toUtf8());
    }
}

TEST_F(VerifyWorkerThreadTest, EmptyBatchEndsAtOnce) {
    VerifyWorkerThread worker;
    SignalLog log(worker);
    worker.addFiles({});
    ASSERT_TRUE(waitForRuns(log, 1));
    EXPECT_EQ(log.events, QStringList({"finished"}));
}

TEST_F(VerifyWorkerThreadTest, ProgressIsATruncatedPercentage) {
    VerifyWorkerThread worker;
    std::vector<int> seen;
    QObject::connect(&worker, &VerifyWorkerThread::verifyProgress,
                     [&seen](int progress) { seen.push_back(progress); });
    for (const double fraction : {0.0, 0.5, 0.999, 1.0, 1.5}) {
        reportProgress(fraction, &worker);
    }
    reportProgress(0.5, nullptr);
    EXPECT_EQ(seen, (std::vector<int>{0, 50, 99, 100, 150}));
}

TEST_F(VerifyWorkerThreadTest, ExceptionsOfAnyKindEndAsResults) {
    ThrowingWorker worker;
    SignalLog log(worker);
    worker.addFiles({samples.path("runtime.mkv"), samples.path("blank.mkv"),
                     samples.path("nonstandard.mkv"), samples.authentic()});
    ASSERT_TRUE(waitForRuns(log, 1));
    ASSERT_EQ(log.results.size(), 4u);

    EXPECT_EQ(log.results[0].code(), VerdictCode::Error);
    EXPECT_EQ(log.results[0].errorText(), "library failure");
    EXPECT_EQ(log.results[0].fileName, "runtime.mkv");
    EXPECT_EQ(log.results[1].code(), VerdictCode::Error);
    EXPECT_EQ(log.results[1].errorText(), "unknown error");
    EXPECT_EQ(log.results[2].code(), VerdictCode::Error);
    EXPECT_EQ(log.results[2].errorText(), "unknown error");
    EXPECT_EQ(log.results[3].code(), VerdictCode::Success) << "the run goes on";
    EXPECT_EQ(log.runsFinished(), 1);
}

TEST_F(VerifyWorkerThreadTest, FolderInsteadOfRecordingIsAnError) {
    // Nor is a FIFO in a recording's place waited on: it is refused unopened.
    const QString pipe = samples.path("pipe.mkv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    VerifyWorkerThread worker;
    SignalLog log(worker);
    worker.addFiles({samples.folder(), pipe, samples.authentic()});
    ASSERT_TRUE(waitForRuns(log, 1));
    ASSERT_EQ(log.results.size(), 3u);
    EXPECT_EQ(log.results[0].code(), VerdictCode::Error);
    EXPECT_FALSE(log.results[0].errorText().isEmpty());
    EXPECT_EQ(log.results[1].code(), VerdictCode::Error);
    EXPECT_EQ(log.results[1].errorText(), "not a regular file (a FIFO)");
    EXPECT_EQ(log.results[2].code(), VerdictCode::Success);
}

TEST_F(VerifyWorkerThreadTest, NamesOutsideAsciiStayUtf8AndOpen) {
    const QString name = QString::fromUtf8("vidéo_日本.mkv");
    const QString path = samples.writeAuthentic(name);
    VerifyWorkerThread worker;
    SignalLog log(worker);
    worker.addFiles({path});
    ASSERT_TRUE(waitForRuns(log, 1));

    ASSERT_EQ(log.results.size(), 1u);
    EXPECT_EQ(log.events.first(), "start " + name);
    EXPECT_EQ(log.results[0].fileName, QByteArray("vid\xc3\xa9o_\xe6\x97\xa5\xe6\x9c\xac.mkv"));
    EXPECT_EQ(log.results[0].code(), VerdictCode::Success)
        << log.results[0].errorText().toStdString();
}

class VerifyWorkerStopTest : public VerifyWorkerThreadTest {
  protected:
    void SetUp() override {
        VerifyWorkerThreadTest::SetUp();
        longRecording = samples.path("long.mkv");
        // Unstopped, reading this many bytes takes several seconds.
        writeLongRecording(QFile::encodeName(longRecording).toStdString(), 2ull << 30);
    }

    QString longRecording;
};

TEST_F(VerifyWorkerStopTest, StopEndsTheCurrentFileAndDropsTheQueue) {
    VerifyWorkerThread worker;
    SignalLog log(worker);
    worker.addFiles({longRecording, samples.authentic()});
    ASSERT_TRUE(waitUntil([&] { return !log.events.isEmpty(); }));

    QElapsedTimer timer;
    timer.start();
    worker.stop();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(worker.isFinished());

    ASSERT_TRUE(waitForRuns(log, 1));
    // Stopped before its verdict: not verified, not a failure of the file.
    EXPECT_EQ(log.events, QStringList({"start long.mkv", "stop long.mkv -1", "finished"}));
    EXPECT_TRUE(log.results[0].cancelled());
    EXPECT_EQ(log.results[0].path, QFileInfo(longRecording).absoluteFilePath());

    // The worker takes new files afterwards.
    worker.addFiles({samples.authentic()});
    ASSERT_TRUE(waitForRuns(log, 2));
    EXPECT_EQ(log.results.back().code(), VerdictCode::Success);
}

TEST_F(VerifyWorkerStopTest, DestroyingTheWorkerMidFileReturnsPromptly) {
    auto worker = std::make_unique<VerifyWorkerThread>();
    SignalLog log(*worker);
    worker->addFiles({longRecording});
    ASSERT_TRUE(waitUntil([&] { return !log.events.isEmpty(); }));

    QElapsedTimer timer;
    timer.start();
    worker.reset();
    EXPECT_LT(timer.elapsed(), 1000);
}

}  // namespace
