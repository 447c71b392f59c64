#include "verification/VerifyWorkerThread.h"

#include <QFile>
#include <QMutexLocker>
#include <algorithm>
#include <climits>
#include <condition_variable>
#include <exception>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/ReportPictures.h"
#include "verification/PathBytes.h"

namespace {

QByteArray bytesOf(const std::string& text) {
    return QByteArray::fromStdString(text);
}

// `pictures` false (a cancelled run) skips decoding, which could take seconds.
VerifyResult resultOf(const QByteArray& fileName, RecordingEvidence evidence, bool pictures) {
    const RecordingVerdict& verdict = evidence.verdict;
    VerifyResult result;
    result.fileName = fileName;
    result.code = verdict.code;
    result.errorText = bytesOf(verdict.errorText);
    result.detail = bytesOf(verdict.detail);
    result.startTime = bytesOf(verdict.startTime);
    result.endTime = bytesOf(verdict.endTime);
    result.serialNumber = bytesOf(verdict.serialNumber);
    // Decoded here, off the window's thread; the cluster map was kept only
    // for these pictures and is dropped before the result is shared.
    if (pictures && !evidence.clusters.empty()) {
        result.filmstrip =
            std::make_shared<const std::vector<ReportPicture>>(reportPictures(evidence));
    }
    std::vector<ClusterEntry>().swap(evidence.clusters);
    result.evidence = std::make_shared<const RecordingEvidence>(std::move(evidence));
    return result;
}

VerifyResult failure(const QByteArray& fileName, const char* text) {
    VerifyResult result;
    result.fileName = fileName;
    result.code = RECORDING_ERROR;
    result.errorText = (text != nullptr && *text != '\0') ? QByteArray(text) : "unknown error";
    return result;
}

}  // namespace

VerifyWorkerThread::VerifyWorkerThread(QObject* parent) : QThread(parent) {}

VerifyWorkerThread::~VerifyWorkerThread() {
    stop();
}

void VerifyWorkerThread::addFiles(const QStringList& files) {
    bool startRun = false;
    {
        const QMutexLocker lock(&queueMutex);
        fileQueue.append(files);
        startRun = !loopActive;
        loopActive = true;
    }
    if (startRun) {
        // The previous run may still be between its last look at the queue
        // and its end, when start() would do nothing.
        wait();
        start(QThread::InheritPriority);
    }
}

QStringList VerifyWorkerThread::stop() {
    abort = true;  // seen by run() between files and by the walk between pieces
    wait();
    const QMutexLocker lock(&queueMutex);
    QStringList dropped;
    dropped.swap(fileQueue);
    loopActive = false;
    abort = false;
    return dropped;
}

void VerifyWorkerThread::run() {
    for (;;) {
        const QStringList batch = takeBatch();
        if (batch.isEmpty()) {
            return;
        }
        if (batch.size() == 1) {
            verifyFile(QFileInfo(batch.front()));
        } else {
            verifyBatch(batch);
        }
    }
}

QStringList VerifyWorkerThread::takeBatch() {
    const QMutexLocker lock(&queueMutex);
    if (fileQueue.isEmpty() || abort) {
        loopActive = false;
        return {};
    }
    // Small files go several at a time, one per core; a large one alone,
    // its clusters spread over the cores, so its progress can be shown.
    const int cores = std::max(1, QThread::idealThreadCount());
    QStringList batch{fileQueue.takeFirst()};
    while (batch.size() < 64 * cores && isSmall(batch.back()) && !fileQueue.isEmpty() &&
           isSmall(fileQueue.front())) {
        batch << fileQueue.takeFirst();
    }
    return batch;
}

bool VerifyWorkerThread::isSmall(const QString& path) {
    return QFileInfo(path).size() < kSmallFileBytes;
}

void VerifyWorkerThread::verifyFile(const QFileInfo& file) {
    emit startVerifyFile(file.fileName());
    emit stopVerifyFile(resultFor(file));
}

void VerifyWorkerThread::verifyBatch(const QStringList& batch) {
    const size_t count = static_cast<size_t>(batch.size());
    BatchOutcomes outcomes(count);
    const auto work = [&] {
        for (;;) {
            size_t i = 0;
            {
                const std::lock_guard<std::mutex> lock(outcomes.mutex);
                if (abort || outcomes.claimed == count) {
                    --outcomes.active;
                    outcomes.filled.notify_all();
                    return;
                }
                i = outcomes.claimed++;
            }
            VerifyResult result = resultFor(QFileInfo(batch[static_cast<int>(i)]));
            const std::lock_guard<std::mutex> lock(outcomes.mutex);
            outcomes.results[i] = std::move(result);
            outcomes.filled.notify_all();
        }
    };
    batchMode = true;
    const int workers =
        std::min(std::max(1, QThread::idealThreadCount()), static_cast<int>(batch.size()));
    outcomes.active = workers;
    std::vector<std::future<void>> running;  // joined as they go out of scope
    for (int t = 0; t < workers; ++t) {
        running.push_back(std::async(std::launch::async, work));
    }
    const size_t reported = reportInOrder(batch, outcomes);
    running.clear();
    batchMode = false;
    // A cancel leaves the files never started where stop() finds them.
    if (reported < count) {
        const QMutexLocker lock(&queueMutex);
        fileQueue = batch.mid(static_cast<int>(reported)) + fileQueue;
    }
}

size_t VerifyWorkerThread::reportInOrder(const QStringList& batch, BatchOutcomes& outcomes) {
    for (size_t i = 0; i < outcomes.results.size(); ++i) {
        std::unique_lock<std::mutex> lock(outcomes.mutex);
        // A started file always ends with a result; one not started by the
        // time every helper has stopped never will.
        outcomes.filled.wait(lock, [&] {
            return outcomes.results[i].has_value() ||
                   (i >= outcomes.claimed && outcomes.active == 0);
        });
        if (!outcomes.results[i]) {
            return i;
        }
        const VerifyResult result = std::move(*outcomes.results[i]);
        outcomes.results[i].reset();
        lock.unlock();
        emit startVerifyFile(QFileInfo(batch[static_cast<int>(i)]).fileName());
        emit verifyProgress(100);
        emit stopVerifyFile(result);
    }
    return outcomes.results.size();
}

VerifyResult VerifyWorkerThread::resultFor(const QFileInfo& file) {
    // The exact bytes of the name: one that is not UTF-8 still opens.
    const QByteArray fileName = pathBytes(file.fileName());
    VerifyResult result;
    // Whatever goes wrong, the file still ends with exactly one result.
    try {
        RecordingEvidence evidence = evidenceOf(pathBytes(file.absoluteFilePath()));
        result = resultOf(fileName, std::move(evidence), !abort);
    } catch (const std::exception& e) {
        result = failure(fileName, e.what());
    } catch (...) {
        result = failure(fileName, nullptr);
    }
    result.path = file.absoluteFilePath();
    result.verifiedAt = QDateTime::currentDateTimeUtc();
    return result;
}

RecordingEvidence VerifyWorkerThread::evidenceOf(const QByteArray& localPath) {
    ExamineOptions options;
    // Alone, a file's clusters are checked on every core; in a batch, each
    // file has a core of its own and no progress of its own.
    options.keepClusters = true;  // for the filmstrip; dropped once it is decoded
    options.threads = batchMode ? 1 : std::max(1, QThread::idealThreadCount());
    return examineRecording(localPath.toStdString(), options, batchMode ? nullptr : reportProgress,
                            this, &abort);
}

void reportProgress(double fraction, void* context) {
    if (context == nullptr) {
        return;
    }
    const double percent = fraction * 100.0;
    // Out of int's range (or NaN) the conversion would be undefined.
    if (!(percent > INT_MIN && percent < INT_MAX)) {
        return;
    }
    emit static_cast<VerifyWorkerThread*>(context)->verifyProgress(static_cast<int>(percent));
}
