// The one scheduler of both programs: queued order whatever finishes first,
// bounded waiting results, and a cancel that keeps the unstarted files.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "signature/FileScheduler.h"

namespace {

std::vector<std::string> names(int count, const std::string& prefix = "f") {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(prefix + std::to_string(i));
    }
    return out;
}

FileScheduler::Rules rules(int jobs, int64_t smallBytes = INT64_MAX) {
    FileScheduler::Rules r;
    r.jobs = jobs;
    r.smallFileBytes = smallBytes;
    // "big…" files are large, the others small.
    r.fileSize = [](const std::string& path) { return path.rfind("big", 0) == 0 ? 100 : 1; };
    return r;
}

}  // namespace

TEST(FileScheduler, DeliversInQueuedOrderWithBoundedWaitingResults) {
    FileScheduler scheduler(rules(3));
    ResultSlots<std::string> slots(scheduler.slotCount());
    std::mutex mutex;
    size_t examined = 0;
    size_t delivered = 0;
    size_t mostWaiting = 0;
    std::vector<std::string> order;
    const std::vector<std::string> paths = names(60);
    EXPECT_TRUE(scheduler.add(paths));
    scheduler.run(
        [&](const std::string& path, const FileTurn& turn) {
            EXPECT_FALSE(turn.alone);
            EXPECT_EQ(turn.threads, 1);
            // The first file is the slowest, so the others finish ahead of it.
            if (path == "f0") {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            slots.put(turn, path);
            const std::lock_guard<std::mutex> lock(mutex);
            ++examined;
            mostWaiting = std::max(mostWaiting, examined - delivered);
        },
        [&](const std::string& path, const FileTurn& turn) {
            EXPECT_EQ(slots.take(turn), path);
            order.push_back(path);
            const std::lock_guard<std::mutex> lock(mutex);
            ++delivered;
        },
        [](const std::string&) { ADD_FAILURE() << "no file of a batch runs alone"; });
    EXPECT_EQ(order, paths);
    EXPECT_LE(mostWaiting, scheduler.slotCount());
    EXPECT_TRUE(scheduler.add({"next"})) << "an ended run starts again";
}

TEST(FileScheduler, LargeFilesAndLoneFilesGoAloneOnEveryThread) {
    FileScheduler scheduler(rules(4, 10));
    ResultSlots<int> slots(scheduler.slotCount());
    std::vector<std::string> events;
    scheduler.add({"a", "b", "big0", "c"});
    scheduler.run(
        [&](const std::string& path, const FileTurn& turn) {
            slots.put(turn, turn.threads);
            if (turn.alone) {
                events.push_back("examine " + path);
            }
        },
        [&](const std::string& path, const FileTurn& turn) {
            events.push_back(path + " on " + std::to_string(slots.take(turn)));
        },
        [&](const std::string& path) { events.push_back("start " + path); });
    EXPECT_EQ(events, (std::vector<std::string>{"a on 1", "b on 1", "start big0", "examine big0",
                                                "big0 on 4", "start c", "examine c", "c on 4"}));
}

TEST(FileScheduler, CancelKeepsTheUnstartedFilesInOrder) {
    for (const int jobs : {1, 2}) {
        SCOPED_TRACE(jobs);
        FileScheduler scheduler(rules(jobs));
        ResultSlots<bool> slots(scheduler.slotCount());
        std::atomic<int> examined{0};
        std::vector<std::string> delivered;
        const std::vector<std::string> paths = names(40);
        scheduler.add(paths);
        scheduler.run(
            [&](const std::string&, const FileTurn& turn) {
                if (++examined == 3) {
                    scheduler.cancel();
                }
                slots.put(turn, scheduler.cancelFlag().load());
            },
            [&](const std::string& path, const FileTurn& turn) {
                slots.take(turn);
                delivered.push_back(path);
            },
            [](const std::string&) {});
        // Every started file was delivered; the rest wait, in order.
        const std::vector<std::string> dropped = scheduler.endCancel();
        ASSERT_EQ(delivered.size(), static_cast<size_t>(examined.load()));
        ASSERT_EQ(delivered.size() + dropped.size(), paths.size());
        EXPECT_TRUE(std::equal(delivered.begin(), delivered.end(), paths.begin()));
        EXPECT_TRUE(std::equal(dropped.begin(), dropped.end(),
                               paths.begin() + static_cast<std::ptrdiff_t>(delivered.size())));
        EXPECT_FALSE(scheduler.cancelFlag());
        EXPECT_TRUE(scheduler.add({"again"}));
    }
}

// A size looked up on a slow disk holds up the run, never whoever adds
// files: the window adds from its own thread.
TEST(FileScheduler, AddingNeverWaitsForASizeLookUp) {
    std::atomic<bool> looking{false};
    std::atomic<bool> release{false};
    FileScheduler::Rules slow = rules(2);
    slow.fileSize = [&](const std::string&) {
        looking = true;
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return int64_t{1};
    };
    FileScheduler scheduler(slow);
    ResultSlots<bool> slots(scheduler.slotCount());
    std::vector<std::string> delivered;
    scheduler.add(names(4));
    std::thread runner([&] {
        scheduler.run([&](const std::string&, const FileTurn& turn) { slots.put(turn, true); },
                      [&](const std::string& path, const FileTurn& turn) {
                          slots.take(turn);
                          delivered.push_back(path);
                      },
                      [](const std::string&) {});
    });
    while (!looking) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::atomic<bool> added{false};
    std::thread adder([&] {
        scheduler.add({"late"});
        added = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!added && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(added.load()) << "add() waited for the look-up";
    release = true;
    adder.join();
    runner.join();
    std::vector<std::string> all = names(4);
    all.push_back("late");
    EXPECT_EQ(delivered, all);
}
