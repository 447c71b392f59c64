// Placeholder: the verdict only, until the evidence walk lands.
#include "signature/FileHasher.h"
#include "signature/RecordingEvidence.h"

RecordingEvidence examineRecording(const std::string& path, const ExamineOptions& options,
                                   ProgressCallback progress, void* context,
                                   const std::atomic<bool>* cancel) {
    RecordingEvidence evidence;
    FileHasher hasher(path, cancel);
    evidence.verdict = verifyRecording(path, progress, context, cancel, options.threads);
    evidence.identity = hasher.finish();
    return evidence;
}
