#include "signature/ClusterMap.h"

#include <algorithm>

void ClusterMap::add(const ClusterEntry& entry) {
    ++total;
    if (kept.size() < kMaxEntries) {
        kept.push_back(entry);
    } else {
        truncated = true;
    }
    addToRuns(entry);
}

void ClusterMap::addToRuns(const ClusterEntry& entry) {
    if (!runList.empty()) {
        ClusterRun& last = runList.back();
        if (last.status == entry.status && last.proven == entry.proven &&
            last.inSealedOrder == entry.inSealedOrder) {
            last.lastCluster = entry.number;
            last.endOffset = entry.headerOffset + entry.size;
            return;
        }
        // A run lasts until the next one starts, unless the next one states
        // an earlier time (a foreign cluster's 00:00:00): then finish()
        // closes it by its own last cluster.
        const ClusterEntry* const lastEntry = find(last.lastCluster);
        if (entry.seconds && lastEntry != nullptr && lastEntry->seconds &&
            *entry.seconds >= *lastEntry->seconds) {
            last.endSeconds = entry.seconds;
        }
    }
    if (runList.size() >= kMaxRuns) {
        truncated = true;
        return;
    }
    ClusterRun run;
    run.status = entry.status;
    run.proven = entry.proven;
    run.inSealedOrder = entry.inSealedOrder;
    run.firstCluster = entry.number;
    run.lastCluster = entry.number;
    run.startOffset = entry.headerOffset;
    run.endOffset = entry.headerOffset + entry.size;
    run.startSeconds = entry.seconds;
    runList.push_back(run);
}

void ClusterMap::splitRunsOnStanding() {
    const std::vector<ClusterRun> walked = std::move(runList);
    runList.clear();
    for (const ClusterEntry& entry : kept) {
        addToRuns(entry);
    }
    const auto keptCount = static_cast<int64_t>(kept.size());
    for (const ClusterRun& run : walked) {
        const bool rebuilt = run.lastCluster != 0 && run.lastCluster <= keptCount;
        if (rebuilt || runList.size() >= kMaxRuns) {
            continue;
        }
        ClusterRun rest = run;
        rest.proven = false;  // beyond the kept entries nothing is proven or placed
        rest.inSealedOrder = false;
        if (rest.lastCluster != 0 && rest.firstCluster <= keptCount && !kept.empty()) {
            rest.firstCluster = keptCount + 1;
            rest.startOffset = kept.back().headerOffset + kept.back().size;
            rest.startSeconds = std::nullopt;
        }
        if (!runList.empty() && !runList.back().endSeconds) {
            runList.back().endSeconds = rest.startSeconds;
        }
        runList.push_back(rest);
    }
}

void ClusterMap::endEarly(int64_t nextCluster, int64_t offset, int64_t segmentEnd) {
    if (offset >= segmentEnd || runList.size() >= kMaxRuns) {
        return;
    }
    ClusterRun run;
    run.status = ClusterStatus::NotChecked;
    run.firstCluster = nextCluster;
    run.lastCluster = 0;
    run.startOffset = offset;
    run.endOffset = segmentEnd;
    if (!runList.empty()) {
        run.startSeconds = runList.back().endSeconds;
    }
    runList.push_back(run);
}

void ClusterMap::finish(const std::optional<double>& medianSeconds) {
    for (ClusterRun& run : runList) {
        const ClusterEntry* const last = find(run.lastCluster);
        if (!run.endSeconds && last != nullptr && last->seconds && medianSeconds) {
            run.endSeconds = *last->seconds + *medianSeconds;
        }
    }
}

ClusterEntry* ClusterMap::find(int64_t number) {
    return const_cast<ClusterEntry*>(static_cast<const ClusterMap*>(this)->find(number));
}

const ClusterEntry* ClusterMap::find(int64_t number) const {
    if (number < 1 || static_cast<uint64_t>(number) > kept.size()) {
        return nullptr;
    }
    return &kept[static_cast<size_t>(number - 1)];
}

std::optional<double> ClusterMap::medianDuration() const {
    std::vector<double> steps;
    for (size_t i = 1; i < kept.size(); ++i) {
        if (kept[i].seconds && kept[i - 1].seconds && *kept[i].seconds > *kept[i - 1].seconds) {
            steps.push_back(*kept[i].seconds - *kept[i - 1].seconds);
        }
    }
    if (steps.empty()) {
        return std::nullopt;
    }
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}
