#include "cli/BatchVerifier.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "signature/RecordingVerifier.h"

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

}  // namespace

BatchVerifier::BatchVerifier(int jobs_) : jobs(std::max(1, jobs_)) {}

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
        OnFileProgress progress = onFileProgress;
        for (const std::string& path : paths) {
            onReport(FileReport{
                path, verifyRecording(path, &forwardFraction, &progress, nullptr, threads)});
        }
        return;
    }

    std::vector<std::optional<FileReport>> reports(paths.size());
    std::atomic<size_t> next{0};
    std::mutex mutex;
    std::condition_variable ready;
    auto work = [&] {
        for (size_t i = next++; i < paths.size(); i = next++) {
            // verifyRecording never throws, so every file gets its report.
            FileReport report{paths[i], verifyRecording(paths[i])};
            const std::lock_guard<std::mutex> lock(mutex);
            reports[i] = std::move(report);
            ready.notify_one();
        }
    };
    JoiningThreads threads;
    for (size_t t = 0; t < workers; ++t) {
        threads.start(work);
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [&] { return reports[i].has_value(); });
        FileReport report = std::move(*reports[i]);
        reports[i].reset();
        lock.unlock();
        onReport(std::move(report));
        onBatchProgress(i + 1, paths.size());
    }
}
