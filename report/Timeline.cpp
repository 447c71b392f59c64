#include "report/Timeline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "report/Wording.h"

namespace {

constexpr int kStatuses = 5;

// Higher wins a shared pixel column.
int severity(ClusterStatus status) {
    switch (status) {
        case ClusterStatus::Mismatch:
            return 4;
        case ClusterStatus::Error:
            return 3;
        case ClusterStatus::Unsigned:
            return 2;
        case ClusterStatus::NotChecked:
            return 1;
        case ClusterStatus::Verified:
            break;
    }
    return 0;
}

ClusterStatus statusOfSeverity(int value) {
    static const ClusterStatus kBySeverity[kStatuses] = {
        ClusterStatus::Verified, ClusterStatus::NotChecked, ClusterStatus::Unsigned,
        ClusterStatus::Error, ClusterStatus::Mismatch};
    return kBySeverity[value];
}

bool finite(const std::optional<double>& value) {
    return value && std::isfinite(*value);
}

using Extent = std::pair<double, double>;

// Where each run lies on the axis, before scaling. In seconds, a run
// without an end ends where the next one starts (or a cluster later);
// along the bytes, every run has its offsets.
std::vector<Extent> extentsOf(const RecordingEvidence& evidence, bool inSeconds) {
    const std::vector<ClusterRun>& runs = evidence.runs;
    std::vector<Extent> extents;
    extents.reserve(runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        const ClusterRun& run = runs[i];
        if (!inSeconds) {
            const auto from = static_cast<double>(std::max<int64_t>(run.startOffset, 0));
            extents.emplace_back(from, std::max(from, static_cast<double>(run.endOffset)));
            continue;
        }
        const double from = *run.startSeconds;
        double to =
            from + (finite(evidence.medianClusterSeconds) ? *evidence.medianClusterSeconds : 0.0);
        if (finite(run.endSeconds)) {
            to = *run.endSeconds;
        } else if (i + 1 < runs.size() && finite(runs[i + 1].startSeconds)) {
            to = *runs[i + 1].startSeconds;
        }
        extents.emplace_back(from, std::max(from, to));
    }
    return extents;
}

void setAxis(Timeline& timeline, const std::vector<Extent>& extents) {
    double low = 0.0, high = 0.0;
    for (const auto& [from, to] : extents) {
        low = std::min(low, from);
        high = std::max(high, to);
    }
    timeline.origin = low;
    timeline.length = high - low;
}

// One count per status and column, as differences: O(runs + width).
void fillSpans(Timeline& timeline, const std::vector<ClusterRun>& runs,
               const std::vector<Extent>& extents, int width) {
    std::vector<std::vector<int64_t>> starts(kStatuses, std::vector<int64_t>(width + 1, 0));
    const double scale = timeline.length > 0.0 ? width / timeline.length : 0.0;
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto [from, to] = extents[i];
        const double left = std::clamp((from - timeline.origin) * scale, 0.0, double(width));
        const double right = std::clamp((to - timeline.origin) * scale, 0.0, double(width));
        const int x0 = std::min(static_cast<int>(left), width - 1);
        const int x1 = std::clamp(static_cast<int>(std::ceil(right)), x0 + 1, width);
        auto& counts = starts[severity(runs[i].status)];
        ++counts[x0];
        --counts[x1];
    }
    std::vector<int64_t> open(kStatuses, 0);
    for (int x = 0; x < width; ++x) {
        int worst = -1;
        for (int s = 0; s < kStatuses; ++s) {
            open[s] += starts[s][x];
            worst = open[s] > 0 ? s : worst;
        }
        if (worst < 0) {
            continue;
        }
        const ClusterStatus status = statusOfSeverity(worst);
        if (!timeline.spans.empty() && timeline.spans.back().x1 == x &&
            timeline.spans.back().status == status) {
            timeline.spans.back().x1 = x + 1;
        } else {
            timeline.spans.push_back({x, x + 1, status});
        }
    }
}

// A round step giving at most six intervals.
double tickStep(double length, bool inSeconds) {
    static const double kSeconds[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                      600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    for (const double step : kSeconds) {
        if (!inSeconds && step > 10) {
            break;
        }
        if (length / step <= 6.0) {
            return step;
        }
    }
    double step = inSeconds ? 86400.0 : 10.0;
    for (int i = 0; i < 400 && length / step > 6.0; ++i) {
        step *= (i % 3 == 1) ? 2.5 : 2.0;  // 1, 2, 5, 10, …
    }
    return step;
}

// "0 B", "500 kB", "1.5 MB": a position in the file.
std::string bytesLabel(double at) {
    static const char* const kUnits[] = {"B", "kB", "MB", "GB", "TB", "PB", "EB"};
    size_t unit = 0;
    while (at >= 1000.0 && unit + 1 < std::size(kUnits)) {
        at /= 1000.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3g %s", at, kUnits[unit]);
    return text;
}

std::string tickLabel(const Timeline& timeline, double at, const std::string& tagStart) {
    if (!timeline.inSeconds) {
        return bytesLabel(at);
    }
    if (timeline.wallClock) {
        const std::string wall = wallClockAt(tagStart, at);
        if (wall.size() == 19) {
            return wall.substr(11);
        }
    }
    return std::to_string(std::llround(at)) + " s";
}

void fillTicks(Timeline& timeline, const std::string& tagStart, int width) {
    if (!(timeline.length > 0.0) || !std::isfinite(timeline.length)) {
        return;
    }
    const double step = tickStep(timeline.length, timeline.inSeconds);
    const double first = std::ceil(timeline.origin / step) * step;
    for (int i = 0; i < 8; ++i) {
        const double at = first + i * step;
        if (at > timeline.origin + timeline.length) {
            break;
        }
        const int x =
            static_cast<int>(std::lround((at - timeline.origin) / timeline.length * width));
        timeline.ticks.push_back({x, tickLabel(timeline, at, tagStart)});
    }
}

}  // namespace

Timeline timelineOf(const RecordingEvidence& evidence, int width) {
    Timeline timeline;
    width = std::clamp(width, 1, 100000);
    timeline.inSeconds =
        !evidence.runs.empty() &&
        std::all_of(evidence.runs.begin(), evidence.runs.end(),
                    [](const ClusterRun& run) { return finite(run.startSeconds); });
    const std::vector<Extent> extents = extentsOf(evidence, timeline.inSeconds);
    setAxis(timeline, extents);
    if (!(timeline.length > 0.0) || !std::isfinite(timeline.length)) {
        timeline.length = 0.0;
        return timeline;
    }
    const std::string tagStart = statedStart(evidence);
    timeline.wallClock = timeline.inSeconds && !wallClockAt(tagStart, 0).empty();
    fillSpans(timeline, evidence.runs, extents, width);
    fillTicks(timeline, tagStart, width);
    return timeline;
}
