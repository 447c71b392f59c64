#include "report/Timeline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <utility>

#include "report/Wording.h"

namespace {

constexpr int kMarks = 8;

// Higher wins a shared pixel column: a failure over anything, and a link
// that merely holds over proof, so neither hides among proven clusters.
int severity(TimelineMark mark) {
    switch (mark) {
        case TimelineMark::Mismatch:
            return 7;
        case TimelineMark::OutOfPlace:
            return 6;
        case TimelineMark::Error:
            return 5;
        case TimelineMark::Unsigned:
            return 4;
        case TimelineMark::NotChecked:
            return 3;
        case TimelineMark::LinkHolds:
            return 2;
        case TimelineMark::Sealed:
            return 1;
        case TimelineMark::Proven:
            break;
    }
    return 0;
}

TimelineMark markOfSeverity(int value) {
    static const TimelineMark kBySeverity[kMarks] = {
        TimelineMark::Proven,     TimelineMark::Sealed, TimelineMark::LinkHolds,
        TimelineMark::NotChecked, TimelineMark::Unsigned, TimelineMark::Error,
        TimelineMark::OutOfPlace, TimelineMark::Mismatch};
    return kBySeverity[value];
}

bool finite(const std::optional<double>& value) {
    return value && std::isfinite(*value);
}

double medianOf(const RecordingEvidence& evidence) {
    return finite(evidence.medianClusterSeconds) ? *evidence.medianClusterSeconds : 0.0;
}

// The stated time of a run's last cluster: from the cluster map when it is
// kept, else its start plus a median duration per cluster.
double lastClusterSeconds(const RecordingEvidence& evidence, const ClusterRun& run) {
    const std::vector<ClusterEntry>& clusters = evidence.clusters;
    const int64_t index = run.lastCluster - 1;
    if (index >= 0 && index < static_cast<int64_t>(clusters.size())) {
        const ClusterEntry& last = clusters[static_cast<size_t>(index)];
        if (last.number == run.lastCluster && finite(last.seconds)) {
            return std::max(*run.startSeconds, *last.seconds);
        }
    }
    const auto later = static_cast<double>(std::max<int64_t>(run.lastCluster - run.firstCluster, 0));
    return *run.startSeconds + later * medianOf(evidence);
}

// Where each run lies on the axis, before scaling. In seconds, a run
// without an end ends where the next one starts (or a cluster later);
// along the bytes, every run has its offsets. The times are the file's
// claim: an end stated before the run's own last cluster (the next cluster
// states an earlier time) would draw the run as nothing, so it is drawn to
// that cluster's time plus the median duration instead.
std::vector<TimelineExtent> extentsOf(const RecordingEvidence& evidence, bool inSeconds) {
    const std::vector<ClusterRun>& runs = evidence.runs;
    std::vector<TimelineExtent> extents;
    extents.reserve(runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        const ClusterRun& run = runs[i];
        if (!inSeconds) {
            const auto from = static_cast<double>(std::max<int64_t>(run.startOffset, 0));
            extents.push_back({from, std::max(from, static_cast<double>(run.endOffset)), false});
            continue;
        }
        const double from = *run.startSeconds;
        double to = from + medianOf(evidence);
        if (finite(run.endSeconds)) {
            to = *run.endSeconds;
        } else if (i + 1 < runs.size() && finite(runs[i + 1].startSeconds)) {
            to = *runs[i + 1].startSeconds;
        }
        bool estimated = false;
        if (run.lastCluster >= run.firstCluster) {
            const double last = lastClusterSeconds(evidence, run);
            const double end = last + medianOf(evidence);
            if (to <= last && end > to) {
                to = end;
                estimated = true;
            }
        }
        extents.push_back({from, std::max(from, to), estimated});
    }
    return extents;
}

void setAxis(Timeline& timeline) {
    double low = 0.0, high = 0.0;
    for (const TimelineExtent& extent : timeline.extents) {
        low = std::min(low, extent.from);
        high = std::max(high, extent.to);
    }
    timeline.origin = low;
    timeline.length = high - low;
}

// The columns [x0, x1) that axis positions [from, to) fall in.
std::pair<int, int> columnsOf(const Timeline& timeline, double from, double to, int width) {
    const double scale = timeline.length > 0.0 ? width / timeline.length : 0.0;
    const double left = std::clamp((from - timeline.origin) * scale, 0.0, double(width));
    const double right = std::clamp((to - timeline.origin) * scale, 0.0, double(width));
    const int x0 = std::min(static_cast<int>(left), width - 1);
    const int x1 = std::clamp(static_cast<int>(std::ceil(right)), x0 + 1, width);
    return {x0, x1};
}

using Counts = std::vector<std::vector<int64_t>>;  // by severity, then column: differences

// The least serious mark of runs that overlap one of another mark in
// stated time, counted into `beneath` over the columns where they do.
// Runs that merely meet (one ends where the next starts) do not overlap.
void countOverlaps(const Timeline& timeline, const RecordingEvidence& evidence, int width,
                   Counts& beneath) {
    struct Event {
        double at;
        int change;  // -1 an end, +1 a start: ends first at the same place
        int severity;
    };
    std::vector<Event> events;
    for (size_t i = 0; i < evidence.runs.size(); ++i) {
        const TimelineExtent& extent = timeline.extents[i];
        if (extent.to > extent.from) {
            const int s = severity(markOf(evidence.runs[i], evidence.proofKey));
            events.push_back({extent.from, +1, s});
            events.push_back({extent.to, -1, s});
        }
    }
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.at != b.at ? a.at < b.at : a.change < b.change;
    });
    std::vector<int64_t> open(kMarks, 0);
    for (size_t i = 0; i + 1 < events.size(); ++i) {
        open[static_cast<size_t>(events[i].severity)] += events[i].change;
        const double from = events[i].at;
        const double to = events[i + 1].at;
        int least = -1;
        int most = -1;
        for (int s = 0; s < kMarks; ++s) {
            if (open[static_cast<size_t>(s)] > 0) {
                least = least < 0 ? s : least;
                most = s;
            }
        }
        if (to > from && least != most) {
            const auto [x0, x1] = columnsOf(timeline, from, to, width);
            ++beneath[static_cast<size_t>(least)][static_cast<size_t>(x0)];
            --beneath[static_cast<size_t>(least)][static_cast<size_t>(x1)];
        }
    }
}

// One count per mark and column, as differences: O(runs log runs + width).
void fillSpans(Timeline& timeline, const RecordingEvidence& evidence, int width) {
    const std::vector<ClusterRun>& runs = evidence.runs;
    Counts starts(kMarks, std::vector<int64_t>(width + 1, 0));
    Counts beneath = starts;
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto [x0, x1] =
            columnsOf(timeline, timeline.extents[i].from, timeline.extents[i].to, width);
        auto& counts = starts[static_cast<size_t>(severity(markOf(runs[i], evidence.proofKey)))];
        ++counts[static_cast<size_t>(x0)];
        --counts[static_cast<size_t>(x1)];
    }
    countOverlaps(timeline, evidence, width, beneath);
    std::vector<int64_t> open(kMarks, 0);
    std::vector<int64_t> under(kMarks, 0);
    for (int x = 0; x < width; ++x) {
        int worst = -1;
        int least = -1;
        for (size_t s = 0; s < kMarks; ++s) {
            open[s] += starts[s][static_cast<size_t>(x)];
            under[s] += beneath[s][static_cast<size_t>(x)];
            worst = open[s] > 0 ? static_cast<int>(s) : worst;
            least = least < 0 && under[s] > 0 ? static_cast<int>(s) : least;
        }
        if (worst < 0) {
            continue;
        }
        const TimelineMark mark = markOfSeverity(worst);
        std::optional<TimelineMark> split;
        if (least >= 0 && least < worst) {
            split = markOfSeverity(least);
        }
        TimelineSpan* const last = timeline.spans.empty() ? nullptr : &timeline.spans.back();
        if (last != nullptr && last->x1 == x && last->mark == mark && last->beneath == split) {
            last->x1 = x + 1;
        } else {
            timeline.spans.push_back({x, x + 1, mark, split});
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

TimelineHalves timelineHalves(int height) {
    const int gap = height >= 8 ? 2 : 0;
    const int upper = (height - gap) / 2;
    return {upper, upper + gap, height - upper - gap};
}

std::string timelineSpanLabel(const TimelineSpan& span) {
    std::string label = timelineLabel(span.mark);
    if (span.beneath) {
        label += std::string(" over ") + timelineLabel(*span.beneath) +
                 ", at overlapping stated times";
    }
    return label;
}

Timeline timelineOf(const RecordingEvidence& evidence, int width) {
    Timeline timeline;
    width = std::clamp(width, 1, 100000);
    timeline.inSeconds =
        !evidence.runs.empty() &&
        std::all_of(evidence.runs.begin(), evidence.runs.end(),
                    [](const ClusterRun& run) { return finite(run.startSeconds); });
    timeline.extents = extentsOf(evidence, timeline.inSeconds);
    setAxis(timeline);
    if (!(timeline.length > 0.0) || !std::isfinite(timeline.length)) {
        timeline.length = 0.0;
        return timeline;
    }
    const std::string tagStart = statedStart(evidence);
    timeline.wallClock = timeline.inSeconds && !wallClockAt(tagStart, 0).empty();
    fillSpans(timeline, evidence, width);
    fillTicks(timeline, tagStart, width);
    return timeline;
}
