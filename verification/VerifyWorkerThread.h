#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>

#include "signature/FileScheduler.h"
#include "signature/RecordingEvidence.h"
#include "verification/VerifyResult.h"

// Verifies queued paths on its own thread through the core's FileScheduler
// and reports each file through its signals, in queued order: a file
// verified alone as startVerifyFile, any number of verifyProgress, then
// exactly one stopVerifyFile. Runs of small files are verified several at
// once, one per core, each reported as soon as it and those before it are
// done, in one verifiedFile (a flood of small files is not three queued
// calls a file). The thread runs while the queue holds paths; finished()
// ends a run.
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
    // data (a cancelledResult unless its verdict was reached), no further
    // file is taken, the
    // queued paths are dropped, and this returns once the thread has ended.
    // Returns the dropped paths in queued order. The worker can be fed again
    // afterwards.
    QStringList stop();

    // Files under this size are verified several at a time.
    static constexpr qint64 kSmallFileBytes = 16 * 1024 * 1024;

  signals:
    // The file's path as queued.
    void startVerifyFile(const QString& path);
    void verifyProgress(int progress);
    void stopVerifyFile(const VerifyResult& result);
    // A file verified with others, which has no progress of its own: its
    // start and its result at once.
    void verifiedFile(const QString& path, const VerifyResult& result);

  protected:
    void run() override;
    // The verdict and evidence on the file at `localPath` (local 8-bit
    // encoding), its clusters checked on `threads` threads; `progress` says
    // whether it reports its progress. Virtual so another source can stand
    // in; an override must stop the thread in its own destructor.
    virtual RecordingEvidence evidenceOf(const QByteArray& localPath, int threads, bool progress);

  private:
    // The result of the file at this absolute path, never throwing.
    VerifyResult resultFor(const QString& path, int threads, bool progress);

    FileScheduler scheduler;
};

// The walk's progress function; `context` is the worker. Emits
// verifyProgress with the fraction as a percentage, truncated.
void reportProgress(double fraction, void* context);
