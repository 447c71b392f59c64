#include "report/Continuity.h"

#include <algorithm>
#include <map>

namespace {

struct Placed {
    size_t index = 0;
    int64_t start = 0;
    int64_t end = 0;
};

SerialContinuity stepsOf(const std::string& serial, std::vector<Placed> placed) {
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.start != b.start ? a.start < b.start
                                  : (a.end != b.end ? a.end < b.end : a.index < b.index);
    });
    SerialContinuity result;
    result.serialNumber = serial;
    Placed reach = placed.front();  // the file ending last so far
    result.files.push_back(reach.index);
    for (size_t i = 1; i < placed.size(); ++i) {
        const Placed& next = placed[i];
        result.files.push_back(next.index);
        const int64_t step = next.start - reach.end;  // both from tag times: no overflow
        if (step > kContinuitySlackSeconds) {
            result.gaps.push_back({reach.index, next.index, step});
        } else if (step < 0) {
            result.overlaps.push_back({reach.index, next.index, step});
        }
        if (next.end > reach.end) {
            reach = next;
        }
    }
    return result;
}

}  // namespace

Continuity continuityOf(const std::vector<RecordingEvidence>& files) {
    Continuity continuity;
    std::map<std::string, std::vector<Placed>> bySerial;
    std::map<std::string, std::vector<size_t>> byHash;
    for (size_t i = 0; i < files.size(); ++i) {
        const RecordingEvidence& file = files[i];
        if (!file.identity.sha256.empty()) {
            byHash[file.identity.sha256].push_back(i);
        }
        if (file.verdict.code != VerdictCode::Success) {
            continue;
        }
        const std::optional<int64_t> start = tagTimeSeconds(file.verdict.startTime);
        const std::optional<int64_t> end = tagTimeSeconds(file.verdict.endTime);
        if (start && end) {
            bySerial[file.verdict.serialNumber].push_back({i, *start, *end});
        } else {
            continuity.unplaced.push_back(i);
        }
    }
    for (auto& [serial, placed] : bySerial) {
        continuity.serials.push_back(stepsOf(serial, std::move(placed)));
    }
    for (auto& [hash, indices] : byHash) {
        if (indices.size() > 1) {
            continuity.duplicates.push_back({hash, std::move(indices)});
        }
    }
    std::sort(continuity.duplicates.begin(), continuity.duplicates.end(),
              [](const DuplicateFiles& a, const DuplicateFiles& b) { return a.files < b.files; });
    return continuity;
}
