#include "verification/VerifyWorkerThread.h"

#include <QFile>
#include <QMutexLocker>
#include <climits>
#include <exception>
#include <string>

namespace {

QByteArray bytesOf(const std::string& text) {
    return QByteArray::fromStdString(text);
}

VerifyResult resultOf(const QByteArray& fileName, const RecordingVerdict& verdict) {
    VerifyResult result;
    result.fileName = fileName;
    result.code = verdict.code;
    result.errorText = bytesOf(verdict.errorText);
    result.detail = bytesOf(verdict.detail);
    result.startTime = bytesOf(verdict.startTime);
    result.endTime = bytesOf(verdict.endTime);
    result.serialNumber = bytesOf(verdict.serialNumber);
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

void VerifyWorkerThread::stop() {
    abort = true;  // seen by run() between files and by the walk between pieces
    wait();
    const QMutexLocker lock(&queueMutex);
    fileQueue.clear();
    loopActive = false;
    abort = false;
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
        result = resultOf(fileName, verdictOf(QFile::encodeName(file.absoluteFilePath())));
    } catch (const std::exception& e) {
        result = failure(fileName, e.what());
    } catch (...) {
        result = failure(fileName, nullptr);
    }
    emit stopVerifyFile(result);
}

RecordingVerdict VerifyWorkerThread::verdictOf(const QByteArray& localPath) {
    return verifyRecording(localPath.toStdString(), reportProgress, this, &abort);
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
