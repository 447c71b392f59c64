#include "cli/BatchVerifier.h"

#include <algorithm>

#include "signature/FileScheduler.h"

namespace {

void forwardFraction(double fraction, void* context) {
    (*static_cast<BatchVerifier::OnFileProgress*>(context))(fraction);
}

}  // namespace

BatchVerifier::BatchVerifier(int jobs_, const ExamineOptions& options)
    : jobs(std::max(1, jobs_)), examine(options) {}

RecordingEvidence BatchVerifier::examineOne(const std::string& path, int threads,
                                            const OnFileProgress* progress) const {
    ExamineOptions options = examine;
    options.threads = threads;
    OnFileProgress forward = progress != nullptr && *progress ? *progress : OnFileProgress();
    // examineRecording never throws, so every file gets its evidence.
    RecordingEvidence evidence = examineRecording(
        path, options, forward ? &forwardFraction : nullptr, forward ? &forward : nullptr);
    if (evidence.identity.path.empty()) {
        evidence.identity.path = path;
    }
    return evidence;
}

void BatchVerifier::run(const std::vector<std::string>& paths, const OnReport& onReport,
                        const OnFileProgress& onFileProgress,
                        const OnBatchProgress& onBatchProgress) const {
    // Every file counts as small: the files go several at a time, and only
    // a batch of one has its clusters spread over the threads.
    FileScheduler::Rules rules;
    rules.jobs = jobs;
    FileScheduler scheduler(rules);
    ResultSlots<RecordingEvidence> results(scheduler.slotCount());
    size_t delivered = 0;
    scheduler.add(paths);
    scheduler.run(
        [&](const std::string& path, const FileTurn& turn) {
            results.put(turn,
                        examineOne(path, turn.threads, turn.alone ? &onFileProgress : nullptr));
        },
        [&](const std::string&, const FileTurn& turn) {
            onReport(results.take(turn));
            ++delivered;
            if (!turn.alone) {
                onBatchProgress(delivered, paths.size());
            }
        },
        [](const std::string&) {});
}
