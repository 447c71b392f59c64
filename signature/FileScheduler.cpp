#include "signature/FileScheduler.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <system_error>
#include <thread>

namespace {

// Joins its threads however the scope is left, after `stop` released them.
class Helpers {
  public:
    explicit Helpers(std::function<void()> stop_) : stop(std::move(stop_)) {}
    Helpers(const Helpers&) = delete;
    Helpers& operator=(const Helpers&) = delete;
    ~Helpers() {
        stop();
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    template <typename Work>
    void start(Work&& work) {
        threads.emplace_back(std::forward<Work>(work));
    }

  private:
    std::function<void()> stop;
    std::vector<std::thread> threads;
};

int64_t fileSystemSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > static_cast<std::uintmax_t>(INT64_MAX)) {
        return 0;
    }
    return static_cast<int64_t>(size);
}

}  // namespace

FileScheduler::FileScheduler(Rules rules_)
    : rules(std::move(rules_)),
      // Finished files waiting for the one awaited: enough to keep every
      // thread busy past a slow file, bounded however long the queue.
      window(rules.mostWaiting > 0 ? rules.mostWaiting
                                   : 4 * static_cast<size_t>(std::max(1, rules.jobs))) {
    rules.jobs = std::max(1, rules.jobs);
    rules.maxGroup = std::max<size_t>(1, rules.maxGroup);
    if (!rules.fileSize) {
        rules.fileSize = fileSystemSize;
    }
}

bool FileScheduler::add(const std::vector<std::string>& paths) {
    const std::lock_guard<std::mutex> lock(queueMutex);
    queue.insert(queue.end(), paths.begin(), paths.end());
    const bool start = !running;
    running = true;
    return start;
}

std::vector<std::string> FileScheduler::endCancel() {
    const std::lock_guard<std::mutex> lock(queueMutex);
    std::vector<std::string> dropped(queue.begin(), queue.end());
    queue.clear();
    running = false;
    cancelled = false;
    return dropped;
}

bool FileScheduler::isSmall(const std::string& path) const {
    return rules.fileSize(path) < rules.smallFileBytes;
}

std::vector<std::string> FileScheduler::takeGroup() {
    std::vector<std::string> group;
    {
        const std::lock_guard<std::mutex> lock(queueMutex);
        if (queue.empty() || cancelled) {
            // Given up under the lock, so a path added from now on starts a run.
            running = false;
            return {};
        }
        group.push_back(std::move(queue.front()));
        queue.pop_front();
    }
    // Sizes are looked up with the queue let go: a slow disk must not hold
    // up whoever adds files (the window's thread). Paths are taken a few at
    // a time and those after the first large one go back in front.
    if (!isSmall(group.front())) {
        return group;
    }
    constexpr size_t kLookedUpAtOnce = 64;
    while (group.size() < rules.maxGroup) {
        std::vector<std::string> next;
        {
            const std::lock_guard<std::mutex> lock(queueMutex);
            const size_t count =
                std::min({rules.maxGroup - group.size(), queue.size(), kLookedUpAtOnce});
            for (size_t i = 0; i < count; ++i) {
                next.push_back(std::move(queue.front()));
                queue.pop_front();
            }
        }
        size_t small = 0;
        while (small < next.size() && isSmall(next[small])) {
            group.push_back(std::move(next[small++]));
        }
        if (small < next.size()) {
            requeue(next, small);
        }
        if (small < next.size() || next.empty()) {
            break;
        }
    }
    return group;
}

void FileScheduler::requeue(const std::vector<std::string>& group, size_t from) {
    const std::lock_guard<std::mutex> lock(queueMutex);
    queue.insert(queue.begin(), group.begin() + static_cast<std::ptrdiff_t>(from), group.end());
}

void FileScheduler::run(const Examine& examine, const Deliver& deliver, const Starting& starting) {
    for (;;) {
        const std::vector<std::string> group = takeGroup();
        if (group.empty()) {
            return;
        }
        if (group.size() == 1 || rules.jobs == 1) {
            // One at a time on this thread, every thread on its clusters.
            size_t done = 0;
            while (done < group.size() && (done == 0 || !cancelled)) {
                runAlone(group[done++], examine, deliver, starting);
            }
            requeue(group, done);
            continue;
        }
        requeue(group, runSeveral(group, examine, deliver));
    }
}

void FileScheduler::runAlone(const std::string& path, const Examine& examine,
                             const Deliver& deliver, const Starting& starting) {
    const FileTurn turn{0, rules.jobs, true};
    starting(path);
    examine(path, turn);
    deliver(path, turn);
}

size_t FileScheduler::runSeveral(const std::vector<std::string>& group, const Examine& examine,
                                 const Deliver& deliver) {
    const size_t count = group.size();
    std::mutex mutex;
    std::condition_variable filled;
    std::condition_variable room;
    std::vector<bool> done(count, false);
    size_t claimed = 0;    // files taken by a helper so far: always a prefix
    size_t delivered = 0;  // files handed back so far
    size_t active = 0;     // helpers still running
    bool stopping = false;
    const auto work = [&] {
        for (;;) {
            size_t i = 0;
            {
                std::unique_lock<std::mutex> lock(mutex);
                room.wait(lock, [&] {
                    return stopping || cancelled || claimed == count ||
                           claimed < delivered + window;
                });
                if (stopping || cancelled || claimed == count) {
                    --active;
                    filled.notify_all();
                    return;
                }
                i = claimed++;
            }
            examine(group[i], FileTurn{i % window, 1, false});
            const std::lock_guard<std::mutex> lock(mutex);
            done[i] = true;
            filled.notify_all();
        }
    };
    const size_t workers = std::min(static_cast<size_t>(rules.jobs), count);
    active = workers;
    // Declared after the state it uses; its end releases waiting helpers
    // and joins them, however this function is left.
    Helpers helpers([&] {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        room.notify_all();
    });
    for (size_t t = 0; t < workers; ++t) {
        helpers.start(work);
    }
    for (size_t i = 0; i < count; ++i) {
        FileTurn turn{i % window, 1, false};
        {
            std::unique_lock<std::mutex> lock(mutex);
            // A started file always ends with a result; one not started by
            // the time every helper has stopped never will.
            filled.wait(lock, [&] { return done[i] || (i >= claimed && active == 0); });
            if (!done[i]) {
                return i;
            }
            turn.nextDone = i + 1 < count && done[i + 1];
        }
        deliver(group[i], turn);
        const std::lock_guard<std::mutex> lock(mutex);
        delivered = i + 1;
        room.notify_all();
    }
    return count;
}
