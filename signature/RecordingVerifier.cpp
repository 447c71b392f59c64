#include "signature/RecordingVerifier.h"

#include "signature/RecordingEvidence.h"

RecordingVerdict verifyRecording(const std::string& path, ProgressCallback progress, void* context,
                                 const std::atomic<bool>* cancel, int threads) {
    ExamineOptions options;
    options.fileHash = false;
    options.threads = threads;
    return examineRecording(path, options, progress, context, cancel).verdict;
}
