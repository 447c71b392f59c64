#include "signature/BatchWalk.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

#include "signature/SegmentScan.h"
#include "signature/WalkRecorder.h"
#include "signature/WalkState.h"

namespace nvr {

namespace {

// A batch holds at most this many signed bytes: enough work to share out,
// little enough memory for the keys and values it keeps.
constexpr int64_t kBatchBytes = int64_t{32} << 20;

struct ClusterTask {
    ScannedCluster cluster;
    // Outcome of the check.
    VerifyWalkResult result = VerifyWalkResult::Unsigned;
    std::string issue;
    std::exception_ptr error;
};

// Runs `work(worker)` for every worker on threads of its own, the first on
// the calling thread, and waits for all of them.
template <typename Work>
void runOnWorkers(size_t workers, Work&& work) {
    struct Joined {
        std::vector<std::thread> threads;
        ~Joined() {
            for (std::thread& thread : threads) {
                thread.join();
            }
        }
    } joined;
    try {
        for (size_t w = 1; w < workers; ++w) {
            joined.threads.emplace_back(work, w);
        }
    } catch (const std::system_error&) {
        // No more threads to be had: the ones running share the work.
    }
    work(0);
}

// The next batch as the sequential walk meets it; a scan failure is kept
// in `stop` and ends the batch.
std::vector<ClusterTask> scanBatch(SegmentScan& scan, size_t limit, std::exception_ptr& stop) {
    std::vector<ClusterTask> tasks;
    int64_t bytes = 0;
    try {
        while (bytes < kBatchBytes && tasks.size() < limit) {
            std::optional<ScannedCluster> cluster = scan.next();
            if (!cluster) {
                break;
            }
            if (cluster->site.status == VerifyWalkResult::Ok) {
                bytes += cluster->site.end - cluster->site.signedStart;
            }
            tasks.push_back(
                ClusterTask{std::move(*cluster), VerifyWalkResult::Unsigned, {}, nullptr});
        }
    } catch (...) {
        stop = std::current_exception();
    }
    return tasks;
}

}  // namespace

BatchWalk::BatchWalk(std::vector<WalkState*> workers_, size_t batchClusters)
    : workers(std::move(workers_)), batchLimit(batchClusters > 0 ? batchClusters : kBatchClusters) {}

VerifyWalkResult BatchWalk::run(SegmentScan& scan, WalkRecorder& recorder) {
    for (;;) {
        std::exception_ptr stop;
        std::vector<ClusterTask> tasks = scanBatch(scan, batchLimit, stop);
        // Check: every thread takes the next unchecked cluster.
        std::atomic<size_t> next{0};
        runOnWorkers(std::min(workers.size(), tasks.size()), [&](size_t w) {
            WalkState& worker = *workers[w];
            for (size_t i = next++; i < tasks.size(); i = next++) {
                ClusterTask& task = tasks[i];
                if (task.cluster.site.status != VerifyWalkResult::Ok) {
                    continue;
                }
                try {
                    task.result = worker.checkSignature(task.cluster.site, task.cluster.key);
                    task.issue = worker.elementIssue;
                } catch (...) {
                    task.error = std::current_exception();
                }
            }
        });
        // Outcomes in file order.
        for (ClusterTask& task : tasks) {
            if (task.error) {
                recorder.stop(task.error, &task.cluster, scan);
                return recorder.finish(scan);
            }
            recorder.record(std::move(task.cluster), task.result, task.issue);
        }
        if (stop) {
            recorder.stop(stop, nullptr, scan);
            return recorder.finish(scan);
        }
        if (tasks.empty()) {
            return recorder.finish(scan);
        }
    }
}

}  // namespace nvr
