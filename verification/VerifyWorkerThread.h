#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>

#include "signature/RecordingEvidence.h"
#include "verification/VerifyResult.h"

// Verifies queued paths one at a time on its own thread and reports each
// file through its signals: startVerifyFile, any number of verifyProgress,
// then exactly one stopVerifyFile. The thread runs while the queue holds
// paths; finished() ends a run.
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
    QStringList fileQueue;
    QMutex queueMutex;  // guards fileQueue and loopActive
    // True from the addFiles that starts a run until run() gives up the
    // queue, so a path added while a run is ending always gets a run.
    bool loopActive = false;
    std::atomic<bool> abort{false};
};

// The walk's progress function; `context` is the worker. Emits
// verifyProgress with the fraction as a percentage, truncated.
void reportProgress(double fraction, void* context);
