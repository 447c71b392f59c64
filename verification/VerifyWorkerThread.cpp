#include "verification/VerifyWorkerThread.h"

#include <QFile>
#include <algorithm>
#include <climits>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "verification/PathBytes.h"
#include "video/ReportPictures.h"

namespace {

// `pictures` false (a cancelled run) skips decoding, which could take seconds.
VerifyResult resultOf(const QByteArray& fileName, RecordingEvidence evidence, bool pictures) {
    // Decoded here, off the window's thread; the cluster map was kept only
    // for these pictures and is dropped before the result is shared.
    std::shared_ptr<const std::vector<ReportPicture>> filmstrip;
    if (pictures && !evidence.clusters.empty()) {
        filmstrip = std::make_shared<const std::vector<ReportPicture>>(reportPictures(evidence));
    }
    std::vector<ClusterEntry>().swap(evidence.clusters);
    evidence.file.reset();
    VerifyResult result(fileName, std::move(evidence));
    result.filmstrip = std::move(filmstrip);
    return result;
}

// A source that failed otherwise than with a verdict: an error with its text.
VerifyResult failure(const QByteArray& fileName, const QByteArray& localPath, const char* text) {
    RecordingEvidence evidence;
    evidence.verdict.code = VerdictCode::Error;
    evidence.verdict.errorText = (text != nullptr && *text != '\0') ? text : "unknown error";
    evidence.identity.path = localPath.toStdString();
    return VerifyResult(fileName, std::move(evidence));
}

FileScheduler::Rules workerRules() {
    FileScheduler::Rules rules;
    // Small files go several at a time, one per core; a large one alone,
    // its clusters spread over the cores, so its progress can be shown.
    rules.jobs = std::max(1, QThread::idealThreadCount());
    rules.smallFileBytes = VerifyWorkerThread::kSmallFileBytes;
    rules.maxGroup = 64 * static_cast<size_t>(rules.jobs);
    // Sizes come from the scheduler's own look-up of the queued bytes as
    // they are (fileSize left unset), with no QString made for every file.
    return rules;
}

}  // namespace

VerifyWorkerThread::VerifyWorkerThread(QObject* parent)
    : QThread(parent), scheduler(workerRules()) {}

VerifyWorkerThread::~VerifyWorkerThread() {
    stop();
}

void VerifyWorkerThread::addFiles(const QStringList& files) {
    std::vector<std::string> paths;
    paths.reserve(static_cast<size_t>(files.size()));
    for (const QString& file : files) {
        paths.push_back(pathBytes(file).toStdString());
    }
    if (scheduler.add(paths)) {
        // The previous run may still be between its last look at the queue
        // and its end, when start() would do nothing.
        wait();
        start(QThread::InheritPriority);
    }
}

QStringList VerifyWorkerThread::stop() {
    scheduler.cancel();  // seen by the run between files and by the walk between pieces
    wait();
    // Paths queue as their exact bytes (a name need not be UTF-8), so
    // these are the ones added.
    QStringList dropped;
    for (const std::string& path : scheduler.endCancel()) {
        dropped << pathOf(path);
    }
    return dropped;
}

void VerifyWorkerThread::run() {
    ResultSlots<VerifyResult> results(scheduler.slotCount());
    scheduler.run(
        [&](const std::string& path, const FileTurn& turn) {
            results.put(turn, resultFor(absolutePath(pathOf(path)), turn.threads, turn.alone));
        },
        [&](const std::string& path, const FileTurn& turn) {
            const VerifyResult result = results.take(turn);
            if (turn.alone) {
                emit stopVerifyFile(result);
            } else {
                emit verifiedFile(pathOf(path), result);
            }
        },
        [&](const std::string& path) { emit startVerifyFile(pathOf(path)); });
}

VerifyResult VerifyWorkerThread::resultFor(const QString& path, int threads, bool progress) {
    // The exact bytes of the name: one that is not UTF-8 still opens.
    const QByteArray fileName = pathBytes(fileNameOf(path));
    const QByteArray localPath = pathBytes(path);
    VerifyResult result;
    // Whatever goes wrong, the file still ends with exactly one result.
    try {
        RecordingEvidence evidence = evidenceOf(localPath, threads, progress);
        // Stopped by the cancel before a verdict: not a failure of the file.
        if (scheduler.cancelFlag() && evidence.verdict.code == VerdictCode::Error) {
            return cancelledResult(path);
        }
        result = resultOf(fileName, std::move(evidence), !scheduler.cancelFlag());
    } catch (const std::exception& e) {
        result = failure(fileName, localPath, e.what());
    } catch (...) {
        result = failure(fileName, localPath, nullptr);
    }
    result.path = path;
    result.verifiedAt = QDateTime::currentDateTimeUtc();
    return result;
}

RecordingEvidence VerifyWorkerThread::evidenceOf(const QByteArray& localPath, int threads,
                                                 bool progress) {
    ExamineOptions options;
    // Alone, a file's clusters are checked on every core; in a batch, each
    // file has a core of its own and no progress of its own.
    options.keepClusters = true;  // for the filmstrip; dropped once it is decoded
    options.keepFile = true;      // so is the open file it is decoded from
    options.threads = threads;
    options.sharesCores = !progress;
    return examineRecording(localPath.toStdString(), options, progress ? reportProgress : nullptr,
                            this, &scheduler.cancelFlag());
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

#include "moc_VerifyWorkerThread.cpp"
