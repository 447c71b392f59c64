#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <memory>
#include <utility>

#include "verification/VerifyResult.h"
#include "verification/VerifyWorkerThread.h"

class QLabel;
class QProgressBar;
class QPushButton;

// While files stream, the current file's line changes at most this often
// (ms): the eye reads no more, and each change is laid out and shaped.
constexpr int kFileLineMs = 200;

// The small modeless window that shows the run: the file being verified
// and how far its walk has got, then the run as a whole (files and bytes
// done of the total, the time left) and its results so far. It owns the
// worker, feeds it the window's paths and forwards every result through
// gotVerifyResult, whether it is shown or not.
class VerifyProgressDlg : public QDialog {
    Q_OBJECT

  public:
    explicit VerifyProgressDlg(QWidget* parent = nullptr);
    ~VerifyProgressDlg() override;

    // Queues the paths; neither shows nor moves the dialog. `sizes`, when
    // given, are the files' sizes as a walk found them (-1: not known), so
    // this thread need not look at each file.
    void verifyFiles(const QStringList& files, const QList<qint64>& sizes = {});
    // For quitting: the current file stops at its next piece of data, the
    // queued ones are dropped, and this returns once the worker has ended.
    // Returns the dropped paths.
    QStringList stopVerification();

    // A run is under way (files queued and not all finished).
    bool isRunning() const { return totalCount > 0; }
    int filesStarted() const { return doneCount; }
    int filesFinished() const { return finishedCount; }
    int filesQueued() const { return totalCount; }
    // The run's line, bar and counts now; a timer calls it a few times a
    // second while the run goes on.
    void showRun();

  signals:
    void gotVerifyResult(const VerifyResult& result);
    // The run started, moved on to another file, or ended.
    void runStateChanged();
    // Cancel was pressed: these queued files were never started, and
    // `inProgress` files were stopped before their verdict (each already
    // forwarded as a cancelledResult).
    void runCancelled(const QStringList& notVerified, int inProgress);

  public slots:
    // `path`: the file's path, or its name alone.
    void startProgress(const QString& path);
    void updateProgress(int progress);
    void finishedProgress(const VerifyResult& result);
    // A file verified with others: started, done and finished at once.
    void fileVerified(const QString& path, const VerifyResult& result);
    void WorkDone();
    // Stops the run as stopVerification does and reports what was dropped.
    void cancelRun();

  private:
    // When files follow each other faster than the eye, painting waits for
    // a pause instead of running for each of them.
    void holdPainting();
    // The current file's line, now; showFileSoon shows it now or, when it
    // was shown less than kFileLineMs ago, once that time is up, so a
    // stream of small files does not lay out and shape a line per file.
    void showFile();
    void showFileSoon();
    // Stops the worker and delivers what it still had queued here.
    QStringList stopWorker();
    void endRun();

    QLabel* statusLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    QLabel* runLabel = nullptr;
    QProgressBar* runBar = nullptr;
    QLabel* countsLabel = nullptr;
    QPushButton* cancelButton = nullptr;
    int doneCount = 0;      // files started in the current run
    int finishedCount = 0;  // files whose result was forwarded
    int totalCount = 0;     // files queued for the current run
    int successes = 0;      // of the run's results
    int failures = 0;
    int notVerified = 0;       // stopped by a cancel before their verdict
    qint64 bytesTotal = 0;     // of the files queued, as they were sized then
    qint64 bytesDone = 0;      // of the files finished
    qint64 currentBytes = 0;   // the size of the file started last
    int currentPercent = 0;    // how far its walk has got
    QElapsedTimer sinceStart;  // since the last file started
    QElapsedTimer runClock;    // since the run started
    QTimer paintTimer;         // ends a hold on painting
    QTimer runTimer;           // refreshes the run's line while it goes on
    QString currentPath;       // of the file started last
    QElapsedTimer fileShown;   // since its line was last shown
    QTimer fileTimer;          // shows a line that was held back
    // The queued files not yet started and their sizes when queued, so a
    // start needs no look at the disk; files start in queued order.
    std::deque<std::pair<QString, qint64>> queuedSizes;
    std::unique_ptr<VerifyWorkerThread> worker;
};

// "about 2 min left" from the share done after `elapsedMs`; empty until
// an estimate means something.
QString timeLeftText(double doneShare, qint64 elapsedMs);
