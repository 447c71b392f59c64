#include "verification/CaseRecorder.h"

#include <QTimer>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "casefile/CaseError.h"
#include "casefile/CaseFile.h"
#include "verification/CaseStore.h"

namespace {

// Results stored in one transaction at most: it holds the case's write lock
// for a tenth of a second or so, so another writer's turn comes soon.
constexpr size_t kMostInOneTransaction = 500;

// A flood is gathered into fewer, larger transactions: each commit is
// synced, and with a handful of results a commit the syncs and the pages
// written again took most of the writer's time. A result waits for others
// this long at most, unless enough are waiting or the owner drains.
constexpr auto kGatherTime = std::chrono::milliseconds(20);
constexpr size_t kGatherEnough = 250;

// The log is folded back into the case file once no result has come for
// this long, or during a flood after this many results (some tens of MB
// of log): a checkpoint writes every page again, so not after each batch.
constexpr int kCheckpointWhenIdleMs = 500;
constexpr size_t kMostBetweenCheckpoints = 10000;

}  // namespace

// The thread's side: its own connection to the case.
class CaseRecorder::Writer : public QObject {
  public:
    Writer(CaseRecorder& owner_, std::string path_) : owner(owner_), path(std::move(path_)) {
        // A child, so it moves to the thread with the writer.
        idle = new QTimer(this);
        idle->setSingleShot(true);
        idle->setInterval(kCheckpointWhenIdleMs);
        connect(idle, &QTimer::timeout, this, [this] { checkpoint(); });
    }
    // The log is left folded back, as a connection of its own would leave it.
    ~Writer() override {
        if (sinceCheckpoint > 0) {
            checkpoint();
        }
    }

    // Takes what is waiting, in turns, until nothing is.
    void recordWaiting() {
        for (;;) {
            std::vector<VerifyResult> batch;
            {
                std::unique_lock<std::mutex> lock(owner.mutex);
                if (owner.waiting.empty()) {
                    owner.wakeQueued = false;
                    owner.hurrying = false;
                    break;
                }
                owner.arrived.wait_until(lock, owner.firstWaiting + kGatherTime, [this] {
                    return owner.hurrying || owner.waiting.size() >= kGatherEnough;
                });
                // Those left over have waited since now at least.
                owner.firstWaiting = std::chrono::steady_clock::now();
                while (!owner.waiting.empty() && batch.size() < kMostInOneTransaction) {
                    batch.push_back(std::move(owner.waiting.front()));
                    owner.waiting.pop_front();
                }
            }
            record(batch);
            sinceCheckpoint += batch.size();
            if (sinceCheckpoint >= kMostBetweenCheckpoints) {
                checkpoint();
            }
        }
        emit owner.caughtUp();
        // Once the results stop coming, so none waits for it.
        if (sinceCheckpoint > 0) {
            idle->start();
        }
    }

    void write(const CaseWrite& change) {
        try {
            open();
            change(*file, run.actor);
            ++sinceCheckpoint;
        } catch (const CaseError& error) {
            emit owner.writeFailed(QString::fromStdString(error.what()));
        }
        if (sinceCheckpoint > 0) {
            idle->start();
        }
    }

  private:
    // Opened (and checked once more) on the first write, on this thread:
    // opening a large case in the window does not pay twice.
    void open() {
        if (file) {
            return;
        }
        CaseOpenOptions options;
        options.examinerKey = windowExaminerKey();
        auto opened = std::make_unique<CaseFile>(path, options);
        opened->holdCheckpoints();
        run = recordingRun(*opened);
        file = std::move(opened);
    }

    void checkpoint() {
        idle->stop();
        sinceCheckpoint = 0;
        try {
            if (file) {
                file->checkpoint();
            }
        } catch (const CaseError&) {
            // Another connection's reader holds the log; a later turn folds it.
        }
    }

    void record(std::vector<VerifyResult>& batch) {
        // Each failure, or none; a failed batch fails every result it stored.
        std::vector<std::optional<QString>> failures(batch.size());
        std::optional<QString> batchFailure;
        std::vector<std::shared_ptr<const RecordingEvidence>> handedIn;
        handedIn.reserve(batch.size());
        for (const VerifyResult& result : batch) {
            handedIn.push_back(result.evidence);
        }
        try {
            if (needsStoring(batch)) {
                open();
            }
            if (file) {
                Transaction transaction = file->batch();
                for (size_t i = 0; i < batch.size() && !batchFailure; ++i) {
                    if (!storable(batch[i])) {
                        continue;
                    }
                    try {
                        recordInCase(*file, run, batch[i]);
                    } catch (const CaseError& error) {
                        failures[i] = QString::fromStdString(error.what());
                        // SQLite undid the whole transaction: nothing of it holds.
                        if (!transaction.active()) {
                            batchFailure = failures[i];
                        }
                    }
                }
                if (!batchFailure) {
                    transaction.commit();
                }
            }
        } catch (const CaseError& error) {
            batchFailure = QString::fromStdString(error.what());
        }
        // Handed back in order: the recorded ones together, a failure between
        // them on its own.
        QList<VerifyResult> recorded;
        recorded.reserve(static_cast<decltype(recorded.size())>(batch.size()));
        for (size_t i = 0; i < batch.size(); ++i) {
            if (batchFailure && storable(batch[i])) {
                failures[i] = batchFailure;
            }
            if (failures[i]) {
                if (!recorded.isEmpty()) {
                    emit owner.recorded(recorded);
                    recorded.clear();
                }
                batch[i].evidence = handedIn[i];
                emit owner.failed(batch[i], *failures[i]);
            } else {
                recorded.push_back(std::move(batch[i]));
            }
        }
        if (!recorded.isEmpty()) {
            emit owner.recorded(recorded);
        }
    }

    // A file a cancelled run left is recorded too: listed in the case, with
    // no verification, so a saved or reopened case keeps its row.
    static bool storable(const VerifyResult& result) { return result.evidence != nullptr; }
    static bool needsStoring(const std::vector<VerifyResult>& batch) {
        return std::any_of(batch.begin(), batch.end(), storable);
    }

    CaseRecorder& owner;
    std::string path;
    std::unique_ptr<CaseFile> file;
    RecordingRun run;
    size_t sinceCheckpoint = 0;  // results stored since the log was last folded back
    QTimer* idle = nullptr;      // folds the log back once the results stop
};

CaseRecorder::CaseRecorder(const std::string& path) {
    // Its signals are queued to the window's thread; Qt 5 does not register
    // the list type by itself, and would drop the signal.
    qRegisterMetaType<VerifyResult>("VerifyResult");
    qRegisterMetaType<QList<VerifyResult>>("QList<VerifyResult>");
    writer = new Writer(*this, path);
    writer->moveToThread(&thread);
    connect(&thread, &QThread::finished, writer, &QObject::deleteLater);
    thread.start();
}

CaseRecorder::~CaseRecorder() {
    drain();
    thread.quit();
    thread.wait();
}

void CaseRecorder::submit(const VerifyResult& result) {
    bool wake = false;
    bool enough = false;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (waiting.empty()) {
            firstWaiting = std::chrono::steady_clock::now();
        }
        waiting.push_back(result);
        enough = waiting.size() == kGatherEnough;
        wake = !wakeQueued;
        wakeQueued = true;
    }
    if (enough) {
        arrived.notify_one();
    }
    // One wake for any number of results: the writer takes all that wait.
    if (wake) {
        QMetaObject::invokeMethod(writer, [this] { writer->recordWaiting(); }, Qt::QueuedConnection);
    }
}

void CaseRecorder::submitWrite(CaseWrite write) {
    hurry();  // the results before it are stored first, without gathering more
    QMetaObject::invokeMethod(
        writer,
        [this, write = std::move(write)] {
            writer->recordWaiting();
            writer->write(write);
        },
        Qt::QueuedConnection);
}

void CaseRecorder::hurry() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        hurrying = true;
    }
    arrived.notify_one();
}

void CaseRecorder::drain() {
    // A wake queued before this call runs before it, and empties the queue,
    // gathering no more.
    if (thread.isRunning()) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            hurrying = true;
        }
        arrived.notify_one();
        QMetaObject::invokeMethod(writer, [] {}, Qt::BlockingQueuedConnection);
        const std::lock_guard<std::mutex> lock(mutex);
        hurrying = false;
    }
}

#include "moc_CaseRecorder.cpp"
