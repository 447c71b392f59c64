// The signature walk with the clusters checked on several threads. Every
// cluster's key is the value stored in the cluster before it, so the keys
// are known from a cheap scan of the signature elements before any range is
// hashed. Clusters are taken in batches: this thread scans a batch exactly
// as the sequential walk would meet it, all threads check its ranges, and
// the outcomes are then taken in file order, so the first failure in file
// order decides, as it does in the sequential walk, and progress rises as
// it does there.
#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "container/MkvIds.h"
#include "container/MkvParser.h"
#include "container/ReadBudget.h"

namespace nvr {

namespace {

// A batch holds at most this many signed bytes or clusters: enough work to
// share out, little enough memory for the keys and values it keeps.
constexpr int64_t kBatchBytes = int64_t{32} << 20;
constexpr size_t kBatchClusters = 4096;

struct ClusterTask {
    int64_t number = 0;
    int64_t headerOffset = 0;
    ByteBuffer key;  // the previous cluster's value; empty: the built-in key
    // Outcome of the check.
    int result = VERIFY_OK;
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

}  // namespace

int MkvParser::verifySignaturesParallel(ProgressCallback progress, void* context,
                                        const std::vector<std::unique_ptr<MkvParser>>& helpers,
                                        size_t batchClusters) {
    const size_t batchLimit = batchClusters > 0 ? batchClusters : kBatchClusters;
    iReader* const bytes = source();
    const ReadBudget budget(bytes != nullptr ? bytes->size() : 0);
    const int tagResult = verifyTag();
    if (tagResult != VERIFY_OK) {
        return tagResult;
    }

    std::vector<MkvParser*> workers{this};
    for (const auto& helper : helpers) {
        workers.push_back(helper.get());
    }

    ByteBuffer chainKey;
    const int64_t end = segment.endOffset();
    int64_t position = segment.dataOffset;
    int64_t clusters = 0;
    bool scanEnded = false;
    while (!scanEnded) {
        // Scan: what the sequential walk does before hashing, in its order.
        std::vector<ClusterTask> tasks;
        std::vector<SignatureSite> sites;
        std::exception_ptr stop;  // the scan's own failure, after the batch
        int stopResult = VERIFY_OK;
        std::string stopDetail;
        int64_t batchBytes = 0;
        try {
            while (position < end && batchBytes < kBatchBytes && tasks.size() < batchLimit) {
                const MkvElement child(source(), position);
                if (child.id == ID_CLUSTER) {
                    ++clusters;
                    SignatureSite site = findSignature(child);
                    if (site.status != VERIFY_OK) {
                        stopResult = site.status;
                        stopDetail = clusterIssue(clusters, child.headerOffset);
                        break;
                    }
                    ClusterTask task;
                    task.number = clusters;
                    task.headerOffset = child.headerOffset;
                    task.key = tasks.empty() ? chainKey : sites.back().value;
                    batchBytes += site.end - site.signedStart;
                    tasks.push_back(std::move(task));
                    sites.push_back(std::move(site));
                }
                position = child.endOffset();
            }
        } catch (...) {
            stop = std::current_exception();
        }
        scanEnded = stop != nullptr || stopResult != VERIFY_OK || position >= end;

        // Check: every thread takes the next unchecked cluster.
        std::atomic<size_t> next{0};
        runOnWorkers(std::min(workers.size(), tasks.size()), [&](size_t w) {
            MkvParser* const worker = workers[w];
            for (size_t i = next++; i < tasks.size(); i = next++) {
                try {
                    tasks[i].result = worker->checkSignature(sites[i], tasks[i].key);
                    if (tasks[i].result != VERIFY_OK) {
                        tasks[i].issue = worker->elementIssue;
                    }
                } catch (...) {
                    tasks[i].error = std::current_exception();
                }
            }
        });

        // Outcomes in file order.
        for (size_t i = 0; i < tasks.size(); ++i) {
            if (tasks[i].error) {
                std::rethrow_exception(tasks[i].error);
            }
            if (tasks[i].result != VERIFY_OK) {
                elementIssue = tasks[i].issue;
                detail = clusterIssue(tasks[i].number, tasks[i].headerOffset);
                return tasks[i].result;
            }
            if (progress != nullptr) {
                progress(static_cast<double>(tasks[i].headerOffset) / static_cast<double>(end),
                         context);
            }
            chainKey = sites[i].value;
        }
        if (stop) {
            std::rethrow_exception(stop);
        }
        if (stopResult != VERIFY_OK) {
            detail = stopDetail;
            return stopResult;
        }
    }
    return finishChain(chainKey, clusters);
}

}  // namespace nvr
