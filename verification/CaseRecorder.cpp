#include "verification/CaseRecorder.h"

#include "casefile/CaseError.h"
#include "casefile/CaseFile.h"
#include "verification/CaseStore.h"

// The thread's side: its own connection to the case.
class CaseRecorder::Writer : public QObject {
  public:
    Writer(CaseRecorder& owner_, std::string path_) : owner(owner_), path(std::move(path_)) {}

    void record(VerifyResult result) {
        // A file a cancelled run left was not verified: nothing to record,
        // but it keeps its place in the order rows are listed.
        if (result.code() == VerdictCode::NotVerified) {
            emit owner.recorded(result);
            return;
        }
        try {
            // Opened (and checked once more) on the first result, on this
            // thread: opening a large case in the window does not pay twice.
            if (!file) {
                file = std::make_unique<CaseFile>(path, CaseOpenOptions{});
            }
            recordInCase(*file, result);
            emit owner.recorded(result);
        } catch (const CaseError& error) {
            emit owner.failed(result, QString::fromStdString(error.what()));
        }
    }

  private:
    CaseRecorder& owner;
    std::string path;
    std::unique_ptr<CaseFile> file;
};

CaseRecorder::CaseRecorder(const std::string& path) {
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
    QMetaObject::invokeMethod(writer, [this, result] { writer->record(result); },
                              Qt::QueuedConnection);
}

void CaseRecorder::drain() {
    if (thread.isRunning()) {
        QMetaObject::invokeMethod(writer, [] {}, Qt::BlockingQueuedConnection);
    }
}
