#include "verification/CaseRecorder.h"

#include "casefile/CaseError.h"
#include "casefile/CaseFile.h"
#include "verification/CaseStore.h"

// The thread's side: its own connection to the case.
class CaseRecorder::Writer : public QObject {
  public:
    Writer(CaseRecorder& owner_, std::unique_ptr<CaseFile> file_)
        : owner(owner_), file(std::move(file_)) {}

    void record(VerifyResult result) {
        try {
            recordInCase(*file, result);
            emit owner.recorded(result);
        } catch (const CaseError& error) {
            emit owner.failed(result, QString::fromStdString(error.what()));
        }
    }

  private:
    CaseRecorder& owner;
    std::unique_ptr<CaseFile> file;
};

CaseRecorder::CaseRecorder(const std::string& path) {
    CaseOpenOptions options;
    auto file = std::make_unique<CaseFile>(path, options);
    writer = new Writer(*this, std::move(file));
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
