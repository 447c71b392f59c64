#include "cli/BatchVerifier.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

void forwardFraction(double fraction, void* context) {
    (*static_cast<BatchVerifier::OnFileProgress*>(context))(fraction);
}

// Joins its threads however the scope is left.
class JoiningThreads {
  public:
    JoiningThreads() = default;
    JoiningThreads(const JoiningThreads&) = delete;
    JoiningThreads& operator=(const JoiningThreads&) = delete;
    ~JoiningThreads() {
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    template <typename Work>
    void start(Work&& work) {
        threads.emplace_back(std::forward<Work>(work));
    }

  private:
    std::vector<std::thread> threads;
};

// Runs its action however the scope is left.
class StopOnExit {
  public:
    explicit StopOnExit(std::function<void()> action_) : action(std::move(action_)) {}
    StopOnExit(const StopOnExit&) = delete;
    StopOnExit& operator=(const StopOnExit&) = delete;
    ~StopOnExit() { action(); }

  private:
    std::function<void()> action;
};

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

int BatchVerifier::threadsPerFile(size_t files) const {
    return files == 1 ? jobs : 1;
}

void BatchVerifier::run(const std::vector<std::string>& paths, const OnReport& onReport,
                        const OnFileProgress& onFileProgress,
                        const OnBatchProgress& onBatchProgress) const {
    const size_t workers = std::min(static_cast<size_t>(jobs), paths.size());
    if (workers <= 1) {
        // One at a time on this thread: the file's own progress can be shown.
        const int threads = threadsPerFile(paths.size());
        for (const std::string& path : paths) {
            onReport(examineOne(path, threads, &onFileProgress));
        }
        return;
    }

    // Files finished ahead of the one awaited wait in memory; the window
    // keeps that bounded however long the batch.
    const size_t window = 4 * workers;
    std::vector<std::optional<RecordingEvidence>> reports(paths.size());
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::condition_variable ready;
    std::condition_variable room;
    size_t delivered = 0;
    bool stopping = false;
    auto work = [&] {
        for (size_t i = next++; i < paths.size(); i = next++) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                room.wait(lock, [&] { return stopping || i < delivered + window; });
                if (stopping) {
                    return;
                }
            }
            RecordingEvidence report = examineOne(paths[i], 1, nullptr);
            const std::lock_guard<std::mutex> lock(mutex);
            reports[i] = std::move(report);
            ready.notify_one();
        }
    };
    JoiningThreads threads;
    // Declared after the threads, so it releases waiting workers before they are joined.
    const StopOnExit stop([&] {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        room.notify_all();
    });
    for (size_t t = 0; t < workers; ++t) {
        threads.start(work);
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [&] { return reports[i].has_value(); });
        RecordingEvidence report = std::move(*reports[i]);
        reports[i].reset();
        delivered = i + 1;
        room.notify_all();
        lock.unlock();
        onReport(std::move(report));
        onBatchProgress(i + 1, paths.size());
    }
}
