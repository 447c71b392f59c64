#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// How one file of a run is examined.
struct FileTurn {
    size_t slot = 0;     // where its result waits for its turn (see FileScheduler::slotCount)
    int threads = 1;     // threads for its clusters
    bool alone = false;  // examined by itself on the running thread: its progress can be shown
    // On delivery: the next file's result waits already, so a caller that
    // takes results together can take it with this one.
    bool nextDone = false;
};

// Spreads queued files over threads and hands their results back in the
// order the files were queued, for both programs. A run of small files is
// examined several at a time, one per thread, and at most `slotCount()` results
// wait ahead of the one awaited, however long the queue; any other file is
// examined alone with its clusters on every thread. A cancel stops taking
// files; the files it leaves unstarted stay queued for endCancel().
//
// The scheduler knows nothing of results: `examine` keeps each file's in
// its slot (see ResultSlots) and `deliver` takes it out, in queued order.
class FileScheduler {
  public:
    struct Rules {
        int jobs = 1;  // threads in all
        // Files under this size go several at a time; the rest alone.
        int64_t smallFileBytes = INT64_MAX;
        size_t maxGroup = SIZE_MAX;  // small files taken at once, at most
        // Results finished ahead of the one awaited, at most; 0: four per thread.
        size_t mostWaiting = 0;
        // The size of a queued path; null: the file system's, 0 when unknown.
        std::function<int64_t(const std::string&)> fileSize;
    };
    // On a helper thread, or the running one for a file alone; must not throw.
    using Examine = std::function<void(const std::string& path, const FileTurn& turn)>;
    // On the running thread, in queued order, once the file's result is kept.
    using Deliver = std::function<void(const std::string& path, const FileTurn& turn)>;
    // On the running thread, just before a file alone is examined.
    using Starting = std::function<void(const std::string& path)>;

    explicit FileScheduler(Rules rules);
    FileScheduler(const FileScheduler&) = delete;
    FileScheduler& operator=(const FileScheduler&) = delete;

    // Results that can wait at once, so slots 0 .. slotCount()-1.
    size_t slotCount() const { return window; }

    // Any thread. Queues the paths; true when no run is going on, so the
    // caller must start one.
    bool add(const std::vector<std::string>& paths);
    // Any thread. The file being examined stops at its next piece of data
    // (through cancelFlag), no further file is taken, and run() returns.
    void cancel() { cancelled = true; }
    const std::atomic<bool>& cancelFlag() const { return cancelled; }
    // After a cancelled run has returned: the paths never started, in queued
    // order. Clears the cancel, so the scheduler can be fed again.
    std::vector<std::string> endCancel();

    // Examines queued files on this thread and helpers until the queue is
    // empty or the run is cancelled.
    void run(const Examine& examine, const Deliver& deliver, const Starting& starting);

  private:
    std::vector<std::string> takeGroup();
    bool isSmall(const std::string& path) const;
    void runAlone(const std::string& path, const Examine& examine, const Deliver& deliver,
                  const Starting& starting);
    // Returns how many of the group were delivered.
    size_t runSeveral(const std::vector<std::string>& group, const Examine& examine,
                      const Deliver& deliver);
    void requeue(const std::vector<std::string>& group, size_t from);

    Rules rules;
    size_t window;
    std::mutex queueMutex;  // guards queue and running
    std::deque<std::string> queue;
    bool running = false;
    std::atomic<bool> cancelled{false};
};

// Where results wait for their turn, one per slot of a FileScheduler.
template <typename Result>
class ResultSlots {
  public:
    explicit ResultSlots(size_t count) : waiting(count) {}
    void put(const FileTurn& turn, Result result) { waiting.at(turn.slot) = std::move(result); }
    Result take(const FileTurn& turn) {
        std::optional<Result>& slot = waiting.at(turn.slot);
        Result result = std::move(slot.value());
        slot.reset();
        return result;
    }

  private:
    std::vector<std::optional<Result>> waiting;
};
