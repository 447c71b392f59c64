#include "report/Continuity.h"

#include <algorithm>
#include <ctime>
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

bool tagTimeSeconds(const std::string& text, int64_t& seconds) {
    std::tm tm{};
    const char* const end = strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm);
    if (text.size() != 19 || end != text.c_str() + text.size()) {
        return false;
    }
    const time_t at = timegm(&tm);
    if (at == static_cast<time_t>(-1)) {
        return false;
    }
    seconds = static_cast<int64_t>(at);
    return true;
}

Continuity continuityOf(const std::vector<RecordingEvidence>& files) {
    Continuity continuity;
    std::map<std::string, std::vector<Placed>> bySerial;
    std::map<std::string, std::vector<size_t>> byHash;
    for (size_t i = 0; i < files.size(); ++i) {
        const RecordingEvidence& file = files[i];
        if (!file.identity.sha256.empty()) {
            byHash[file.identity.sha256].push_back(i);
        }
        if (file.verdict.code != RECORDING_OK) {
            continue;
        }
        Placed placed{i, 0, 0};
        if (tagTimeSeconds(file.verdict.startTime, placed.start) &&
            tagTimeSeconds(file.verdict.endTime, placed.end)) {
            bySerial[file.verdict.serialNumber].push_back(placed);
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
