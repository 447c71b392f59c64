#include "cli/BatchVerifier.h"

#include <algorithm>

#include "signature/FileScheduler.h"

namespace {

void forwardFraction(double fraction, void* context) {
    (*static_cast<BatchVerifier::OnFileProgress*>(context))(fraction);
}

}  // namespace

BatchVerifier::BatchVerifier(int jobs_, const ExamineOptions& options, size_t mostAtOnce_)
    : jobs(std::max(1, jobs_)), examine(options), mostAtOnce(std::max<size_t>(1, mostAtOnce_)) {}

RecordingEvidence BatchVerifier::examineOne(const std::string& path, int threads, bool alone,
                                            const OnFileProgress& progress) const {
    ExamineOptions options = examine;
    options.threads = threads;
    options.sharesCores = !alone;
    OnFileProgress forward = alone && progress ? progress : OnFileProgress();
    // examineRecording never throws, so every file gets its evidence.
    RecordingEvidence evidence = examineRecording(
        path, options, forward ? &forwardFraction : nullptr, forward ? &forward : nullptr);
    if (evidence.identity.path.empty()) {
        evidence.identity.path = path;
    }
    return evidence;
}

void BatchVerifier::run(const std::vector<std::string>& paths, const OnReports& onReports,
                        const OnFileProgress& onFileProgress,
                        const OnBatchProgress& onBatchProgress) const {
    // Every file counts as small: the files go several at a time, and only
    // a batch of one has its clusters spread over the threads.
    FileScheduler::Rules rules;
    rules.jobs = jobs;
    // Results taken together wait while the caller handles the ones before
    // (a case stores them): room for a whole batch, so the helpers go on
    // meanwhile, unless each result carries its cluster map.
    if (mostAtOnce > 1 && !examine.keepClusters) {
        rules.mostWaiting = std::max(mostAtOnce, 4 * static_cast<size_t>(jobs));
    }
    FileScheduler scheduler(rules);
    ResultSlots<RecordingEvidence> results(scheduler.slotCount());
    std::vector<RecordingEvidence> ready;
    size_t delivered = 0;
    scheduler.add(paths);
    scheduler.run(
        [&](const std::string& path, const FileTurn& turn) {
            results.put(turn, examineOne(path, turn.threads, turn.alone, onFileProgress));
        },
        [&](const std::string&, const FileTurn& turn) {
            ready.push_back(results.take(turn));
            // Its slot is free again, so the helpers go on meanwhile.
            if (turn.nextDone && ready.size() < mostAtOnce) {
                return;
            }
            delivered += ready.size();
            onReports(ready);
            ready.clear();
            if (!turn.alone) {
                onBatchProgress(delivered, paths.size());
            }
        },
        [](const std::string&) {});
}
