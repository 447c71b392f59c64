#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// Parts laid out on one thread and painted on another, a few dozen ahead
// at most, so the two halves of the work share the cores and memory holds
// a bounded number of parts. A part goes back to the thread that made it to be
// deleted: its layout's timers belong to that thread.
template <typename Item>
class PartQueue {
  public:
    // Layout thread. False when the painter has stopped.
    bool push(std::unique_ptr<Item> item) {
        std::vector<std::unique_ptr<Item>> done;
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return stopped || queue.size() < kAhead; });
        done.swap(spent);
        if (stopped) {
            spent.push_back(std::move(item));
            return false;
        }
        queue.push_back(std::move(item));
        changed.notify_all();
        return true;
    }

    // Layout thread, last: whether all was laid out; then waits for the
    // painter to finish and deletes what it painted.
    void end(bool whole) {
        std::vector<std::unique_ptr<Item>> done;
        {
            std::unique_lock<std::mutex> lock(mutex);
            ended = true;
            complete = whole;
            changed.notify_all();
            changed.wait(lock, [this] { return painterDone; });
            done.swap(spent);
            for (std::unique_ptr<Item>& item : queue) {
                done.push_back(std::move(item));
            }
            queue.clear();
        }
    }

    // Painting thread. Null once the layout has ended and every part is taken.
    // The part before is painted by then.
    Item* pop() {
        std::unique_lock<std::mutex> lock(mutex);
        retireCurrent();
        changed.wait(lock, [this] { return ended || !queue.empty(); });
        if (queue.empty()) {
            return nullptr;
        }
        current = std::move(queue.front());
        queue.pop_front();
        changed.notify_all();
        return current.get();
    }

    // Painting thread, last; `whole`: every part was painted.
    bool finish(bool whole) {
        const std::lock_guard<std::mutex> lock(mutex);
        retireCurrent();
        stopped = !whole;
        painterDone = true;
        changed.notify_all();
        return whole && complete;
    }

  private:
    void retireCurrent() {
        if (current != nullptr) {
            spent.push_back(std::move(current));
        }
    }

    // Enough for a thread to go on laying out sections while the summary
    // ahead of them is laid out and painted; a part held is a section's
    // document, about half a MiB.
    static constexpr size_t kAhead = 24;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::unique_ptr<Item>> queue;
    std::unique_ptr<Item> current;             // being painted
    std::vector<std::unique_ptr<Item>> spent;  // painted, or never to be
    bool ended = false;
    bool complete = false;
    bool stopped = false;
    bool painterDone = false;
};
