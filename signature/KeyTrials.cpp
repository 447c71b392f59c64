#include "signature/KeyTrials.h"

#include <algorithm>
#include <cstdlib>

#include "container/SafeOffset.h"

KeyTrials::KeyTrials(int64_t budgetBytes, TryKey tryKey_, OnResult onResult_)
    : budgetLeft(budgetBytes), tryKey(std::move(tryKey_)), onResult(std::move(onResult_)) {}

void KeyTrials::add(const nvr::ScannedCluster& cluster, bool failed) {
    const int64_t number = cluster.entry.number;
    if (cluster.site.status == VerifyWalkResult::Ok) {
        values.push_back(Value{number, cluster.site.value});
        if (values.size() > static_cast<size_t>(2 * kWindow + 1)) {
            values.pop_front();
        }
        if (failed) {
            waiting.push_back(Waiting{number, cluster.keyFrom, cluster.site});
        }
    }
    while (!waiting.empty() && waiting.front().number + kWindow <= number) {
        run(waiting.front());
        waiting.pop_front();
    }
}

void KeyTrials::flush() {
    for (const Waiting& w : waiting) {
        run(w);
    }
    waiting.clear();
}

// Nearest first, so that of two values that both verify (which a sound
// chain never has) the one beside the cluster is named.
std::vector<const KeyTrials::Value*> KeyTrials::candidates(const Waiting& w) const {
    std::vector<const Value*> found;
    for (const Value& value : values) {
        const int64_t distance = std::llabs(value.number - w.number);
        if (value.number != w.number && value.number != w.keyFrom && distance <= kWindow) {
            found.push_back(&value);
        }
    }
    std::stable_sort(found.begin(), found.end(), [&w](const Value* a, const Value* b) {
        return std::llabs(a->number - w.number) < std::llabs(b->number - w.number);
    });
    return found;
}

// Setting up a signer for a new key costs about as much as hashing this many
// bytes; a file of tiny failing clusters must pay for it from the budget too.
constexpr int64_t kTrialSetUpBytes = 16384;

std::optional<KeyTrial> KeyTrials::tryFar(const Waiting& w, const std::vector<const Value*>& far) {
    const int64_t cost = nvr::addOffsets(w.site.end - w.site.signedStart, kTrialSetUpBytes);
    for (const Value* value : far) {
        if (cost > budgetLeft) {
            budgetLeft = 0;  // once spent, no later cluster is tried either
            stopped = stopped != 0 ? stopped : w.number;
            return KeyTrial{};
        }
        budgetLeft -= cost;
        if (tryKey(w.site, value->bytes)) {
            return KeyTrial::holdsUnder(value->number);
        }
    }
    return std::nullopt;
}

// The near values, then the built-in key, then the farther values. The first
// two cost at most 2 * kNear + 1 checks of the cluster, a bound on the walk's
// own cost: no budget is needed for them.
void KeyTrials::run(const Waiting& w) {
    const std::vector<const Value*> found = candidates(w);
    const auto far = std::find_if(found.begin(), found.end(), [&w](const Value* value) {
        return std::llabs(value->number - w.number) > kNear;
    });
    for (auto it = found.begin(); it != far; ++it) {
        if (tryKey(w.site, (*it)->bytes)) {
            onResult(w.number, KeyTrial::holdsUnder((*it)->number));
            return;
        }
    }
    // The built-in key, unless it already was the chain key.
    if (w.keyFrom != 0 && tryKey(w.site, nvr::ByteBuffer())) {
        onResult(w.number, KeyTrial::holdsUnder(std::nullopt));
        return;
    }
    const std::optional<KeyTrial> farOutcome =
        tryFar(w, std::vector<const Value*>(far, found.end()));
    onResult(w.number, farOutcome ? *farOutcome : KeyTrial::noneHolds());
}
