#include "verification/VerifyWorkerThread.h"

#include <QFile>
#include <QMutexLocker>
#include <algorithm>
#include <climits>
#include <exception>
#include <memory>
#include <string>
#include <utility>

namespace {

QByteArray bytesOf(const std::string& text) {
    return QByteArray::fromStdString(text);
}

VerifyResult resultOf(const QByteArray& fileName, RecordingEvidence evidence) {
    const RecordingVerdict& verdict = evidence.verdict;
    VerifyResult result;
    result.fileName = fileName;
    result.code = verdict.code;
    result.errorText = bytesOf(verdict.errorText);
    result.detail = bytesOf(verdict.detail);
    result.startTime = bytesOf(verdict.startTime);
    result.endTime = bytesOf(verdict.endTime);
    result.serialNumber = bytesOf(verdict.serialNumber);
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
        QString path;
        {
            const QMutexLocker lock(&queueMutex);
            if (fileQueue.isEmpty() || abort) {
                loopActive = false;
                return;
            }
            path = fileQueue.takeFirst();
        }
        verifyFile(QFileInfo(path));
    }
}

void VerifyWorkerThread::verifyFile(const QFileInfo& file) {
    const QString name = file.fileName();
    const QByteArray fileName = name.toUtf8();
    emit startVerifyFile(name);
    VerifyResult result;
    // Whatever goes wrong, the file still ends with exactly one result.
    try {
        result = resultOf(fileName, evidenceOf(QFile::encodeName(file.absoluteFilePath())));
    } catch (const std::exception& e) {
        result = failure(fileName, e.what());
    } catch (...) {
        result = failure(fileName, nullptr);
    }
    result.path = file.absoluteFilePath();
    result.verifiedAt = QDateTime::currentDateTimeUtc();
    emit stopVerifyFile(result);
}

RecordingEvidence VerifyWorkerThread::evidenceOf(const QByteArray& localPath) {
    ExamineOptions options;
    options.threads = std::max(1, QThread::idealThreadCount());
    return examineRecording(localPath.toStdString(), options, reportProgress, this, &abort);
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
