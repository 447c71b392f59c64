#include "support/InsertedAtTimeZero.h"

#include "support/TempFile.h"
#include "support/TestRecorder.h"

namespace recorder {

RecordingEvidence insertedAtTimeZero() {
    RecorderOptions options;
    options.clusterCount = 60;
    options.blocksPerCluster = 1;
    options.blockSize = 64;
    options.tampering = {Tampering::insertForeignCluster(30, 0)};
    const TempFile file;
    writeRecording(file.path(), options);
    ExamineOptions examine;
    examine.keepClusters = true;
    examine.fileHash = false;
    return examineRecording(file.path(), examine);
}

}  // namespace recorder
