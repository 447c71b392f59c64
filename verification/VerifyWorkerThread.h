#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "signature/RecordingEvidence.h"
#include "verification/VerifyResult.h"

// Verifies queued paths on its own thread and reports each file through its
// signals, in queued order: startVerifyFile, any number of verifyProgress,
// then exactly one stopVerifyFile. Runs of small files are verified several
// at once, one per core, each reported as soon as it and those before it
// are done. The thread runs while the queue holds paths; finished() ends a
// run.
class VerifyWorkerThread : public QThread {
    Q_OBJECT

  public:
    explicit VerifyWorkerThread(QObject* parent = nullptr);
    // Stops the run (see stop) so the thread never outlives the object.
    ~VerifyWorkerThread() override;

    // GUI thread. Appends the paths to the queue; they join the running run
    // or start a new one.
    void addFiles(const QStringList& files);
    // GUI thread. Ends the run: the current file stops at its next piece of
    // data (code 3, "verification cancelled"), no further file is taken, the
    // queued paths are dropped, and this returns once the thread has ended.
    // Returns the dropped paths in queued order. The worker can be fed again
    // afterwards.
    QStringList stop();

    // Verifies one file on the calling thread and emits its two signals.
    void verifyFile(const QFileInfo& file);

    // Files under this size are verified several at a time.
    static constexpr qint64 kSmallFileBytes = 16 * 1024 * 1024;

  signals:
    void startVerifyFile(const QString& filename);
    void verifyProgress(int progress);
    void stopVerifyFile(const VerifyResult& result);

  protected:
    void run() override;
    // The verdict and evidence on the file at `localPath` (local 8-bit
    // encoding), its clusters checked on every core. Virtual so another
    // source can stand in; an override must stop the thread in its own
    // destructor.
    virtual RecordingEvidence evidenceOf(const QByteArray& localPath);

  private:
    // The next paths to verify: one, or several small ones; empty ends the run.
    QStringList takeBatch();
    static bool isSmall(const QString& path);
    // A batch's results as its helper threads leave them, taken in order.
    struct BatchOutcomes {
        explicit BatchOutcomes(size_t count) : results(count) {}
        std::mutex mutex;
        std::condition_variable filled;
        std::vector<std::optional<VerifyResult>> results;
        size_t claimed = 0;  // files taken by a helper so far: always a prefix
        int active = 0;      // helpers still running
    };
    void verifyBatch(const QStringList& batch);
    // Emits the batch's results in order as they come; returns how many,
    // fewer than the batch when a cancel left files unstarted.
    size_t reportInOrder(const QStringList& batch, BatchOutcomes& outcomes);
    // The file's result, never throwing.
    VerifyResult resultFor(const QFileInfo& file);

    QStringList fileQueue;
    QMutex queueMutex;  // guards fileQueue and loopActive
    // True from the addFiles that starts a run until run() gives up the
    // queue, so a path added while a run is ending always gets a run.
    bool loopActive = false;
    std::atomic<bool> abort{false};
    std::atomic<bool> batchMode{false};  // set by the run between batches only
};

// The walk's progress function; `context` is the worker. Emits
// verifyProgress with the fraction as a percentage, truncated.
void reportProgress(double fraction, void* context);
