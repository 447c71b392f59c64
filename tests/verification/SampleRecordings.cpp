#include "verification/SampleRecordings.h"

#include <QFile>
#include <stdexcept>

#include "support/TestRecorder.h"

namespace {

recorder::RecorderOptions authenticOptions() {
    recorder::RecorderOptions options;
    options.clusterCount = 5;
    options.blocksPerCluster = 2;
    options.blockSize = 2048;
    options.serialNumber = SampleRecordings::kSerialNumber;
    options.startTime = SampleRecordings::kStartTime;
    options.endTime = SampleRecordings::kEndTime;
    return options;
}

void write(const QString& path, const recorder::RecorderOptions& options) {
    recorder::writeRecording(QFile::encodeName(path).toStdString(), options);
}

}  // namespace

SampleRecordings::SampleRecordings() {
    if (!dir.isValid()) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    write(authentic(), authenticOptions());
    recorder::RecorderOptions tampered = authenticOptions();
    tampered.tampering = {recorder::Tampering::flipClusterByte(2)};
    write(this->tampered(), tampered);
    recorder::RecorderOptions unsignedRecording = authenticOptions();
    unsignedRecording.tampering = {recorder::Tampering::unsignedRecording()};
    write(unsignedFile(), unsignedRecording);
}

QString SampleRecordings::writeAuthentic(const QString& name) const {
    const QString target = path(name);
    write(target, authenticOptions());
    return target;
}
