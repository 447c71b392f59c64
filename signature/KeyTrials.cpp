#include "signature/KeyTrials.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "container/SafeOffset.h"

KeyTrials::KeyTrials(int64_t budgetBytes, TryKeys tryKeys_, ReadSigned readSigned_,
                     OnResult onResult_)
    : budgetLeft(budgetBytes > std::numeric_limits<int64_t>::max() - budgetBytes / 2
                     ? std::numeric_limits<int64_t>::max()
                     : budgetBytes + budgetBytes / 2),
      reserve(budgetLeft - budgetBytes),
      tryKeys(std::move(tryKeys_)),
      readSigned(std::move(readSigned_)),
      onResult(std::move(onResult_)) {}

void KeyTrials::add(const nvr::ScannedCluster& cluster, ClusterStatus status) {
    const int64_t number = cluster.entry.number;
    if (holds.empty()) {
        firstHolds = number;
    }
    holds.push_back(status == ClusterStatus::Verified);
    if (holds.size() > static_cast<size_t>(2 * kWindow + 2)) {
        holds.pop_front();
        ++firstHolds;
    }
    if (cluster.site.status == VerifyWalkResult::Ok) {
        values.push_back(Value{number, cluster.site.value});
        if (values.size() > static_cast<size_t>(2 * kWindow + 1)) {
            values.pop_front();
        }
        if (status == ClusterStatus::Mismatch) {
            waiting.push_back(Waiting{number, cluster.keyFrom, cluster.site,
                                      readSigned(cluster.site, kKeptBytes)});
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

bool KeyTrials::besideALink(int64_t number) const {
    const auto held = [this](int64_t n) {
        const int64_t i = n - firstHolds;
        return i >= 0 && i < static_cast<int64_t>(holds.size()) && holds[static_cast<size_t>(i)];
    };
    return held(number - 1) || held(number + 1);
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
    if (far.empty()) {
        return std::nullopt;
    }
    // The others draw only on what lies above the reserve, and only until
    // that part ran out once.
    const bool beside = besideALink(w.number);
    const int64_t available = beside ? budgetLeft : othersSpent ? 0 : budgetLeft - reserve;
    const int64_t cost = nvr::addOffsets(w.site.end - w.site.signedStart, kTrialSetUpBytes);
    const auto affordable = static_cast<size_t>(
        std::clamp<int64_t>(available / cost, 0, static_cast<int64_t>(far.size())));
    budgetLeft -= static_cast<int64_t>(affordable) * cost;
    std::vector<const nvr::ByteBuffer*> keys;
    for (size_t i = 0; i < affordable; ++i) {
        keys.push_back(&far[i]->bytes);
    }
    if (const std::optional<size_t> held =
            keys.empty() ? std::nullopt : tryKeys(w.site, w.signedBytes, keys)) {
        return KeyTrial::holdsUnder(far[*held]->number);
    }
    if (affordable < far.size()) {
        // Once spent, no later cluster that draws on the same part is tried.
        if (beside) {
            budgetLeft = 0;
        } else {
            othersSpent = true;
        }
        stopped = stopped != 0 ? stopped : w.number;
        return KeyTrial{};
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
    std::vector<const nvr::ByteBuffer*> keys;
    for (auto it = found.begin(); it != far; ++it) {
        keys.push_back(&(*it)->bytes);
    }
    // The built-in key, unless it already was the chain key.
    const nvr::ByteBuffer builtIn;
    if (w.keyFrom != 0) {
        keys.push_back(&builtIn);
    }
    if (const std::optional<size_t> held =
            keys.empty() ? std::nullopt : tryKeys(w.site, w.signedBytes, keys)) {
        const auto index = static_cast<std::ptrdiff_t>(*held);
        onResult(w.number, found.begin() + index < far ? KeyTrial::holdsUnder(found[*held]->number)
                                                       : KeyTrial::holdsUnder(std::nullopt));
        return;
    }
    const std::optional<KeyTrial> farOutcome =
        tryFar(w, std::vector<const Value*>(far, found.end()));
    onResult(w.number, farOutcome ? *farOutcome : KeyTrial::noneHolds());
}
