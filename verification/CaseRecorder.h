#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "casefile/CustodyEvent.h"
#include "verification/VerifyResult.h"

class CaseFile;

// Stores results in a case on a thread of its own, through a connection of
// its own, so a flood of results never waits on the disk on the window's
// thread. The results waiting when the thread comes to them (gathered for
// some milliseconds during a flood) are stored together, each as it would
// be alone, in one transaction synced before `recorded` hands them back to
// be listed, in the order the results came: a row is listed only once it is
// in the case, and a flood is not held to one sync per result.
class CaseRecorder : public QObject {
    Q_OBJECT

  public:
    // Records into the case at `path` (bytes) through a connection opened
    // with the first result; a case that cannot be opened fails each result.
    explicit CaseRecorder(const std::string& path);
    // Records everything handed in so far, then ends the thread.
    ~CaseRecorder() override;

    // Any thread: queues the result.
    void submit(const VerifyResult& result);
    // Waits until every result handed in so far is recorded.
    void drain();
    // Any thread: no more results are coming soon; those waiting are stored
    // without waiting for others.
    void hurry();
    // Any thread: a write of the list's own (a removal, its undo, an
    // intake's note), made through the same connection after the results
    // handed in before it, so the window never waits on it.
    using CaseWrite = std::function<void(CaseFile& file, const Actor& actor)>;
    void submitWrite(CaseWrite write);

  signals:
    // Results as recorded (with the fixity finding each may have gained), in
    // the order they came; one signal for those a transaction stored.
    void recorded(const QList<VerifyResult>& results);
    // The result could not be recorded; it is handed back unchanged.
    void failed(const VerifyResult& result, const QString& why);
    // Every result handed in so far has been handed back; sent after them.
    void caughtUp();
    // A write of submitWrite's could not be made; nothing of it holds.
    void writeFailed(const QString& why);

  private:
    class Writer;
    QThread thread;
    Writer* writer = nullptr;  // lives on `thread`

    std::mutex mutex;
    std::condition_variable arrived;   // enough results wait, or drain hurries
    // Guarded by `mutex`:
    std::deque<VerifyResult> waiting;
    std::chrono::steady_clock::time_point firstWaiting;  // since the oldest waits, about
    bool wakeQueued = false;  // the writer is yet to empty `waiting`
    bool hurrying = false;    // drain or hurry: nothing is gathered until `waiting` empties
};
