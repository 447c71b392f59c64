#include "video/Filmstrip.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "report/Wording.h"

namespace nvr::video {

namespace {

// Unsigned clusters are a failure in a signed recording; a recording signed
// nowhere has no alteration to show around. A cluster in its sealed order
// after inserted ones is no failure: it stands as one whose link holds.
bool failing(const ClusterRun& run, ProofKey key, bool signedSomewhere) {
    switch (standingOf(run, key)) {
        case ClusterStanding::Failing:
            return run.status != ClusterStatus::Unsigned || signedSomewhere;
        case ClusterStanding::OutOfPlace:
            return true;
        default:
            return false;
    }
}

std::string clock(std::optional<double> seconds) {
    // Beyond a century the Timecode is nonsense, not a time to print.
    constexpr double kMaxSeconds = 100.0 * 365 * 24 * 3600;
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0 || *seconds > kMaxSeconds) {
        return "time not stated";
    }
    const auto whole = static_cast<int64_t>(*seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02d:%02d", static_cast<long long>(whole / 3600),
                  static_cast<int>(whole / 60 % 60), static_cast<int>(whole % 60));
    return text;
}

std::string wallClockOf(const std::optional<double>& seconds, const RecordingEvidence& evidence) {
    if (clock(seconds) == "time not stated") {
        return std::string();
    }
    return wallClockAt(evidence.tag.startTime, *seconds);
}

FilmstripFrame frameOf(const ClusterEntry& entry, const RecordingEvidence& evidence) {
    FilmstripFrame frame;
    frame.cluster = entry.number;
    frame.seconds = entry.seconds;
    frame.status = entry.status;
    frame.standing = standingOf(entry, evidence.proofKey);
    frame.verified = frame.standing == ClusterStanding::Proven;
    frame.wallClock = wallClockOf(entry.seconds, evidence);
    frame.label = filmstripLabel(entry.number, entry.seconds, frame.wallClock, frame.standing);
    return frame;
}

bool provenLink(ClusterStanding standing) {
    return standing == ClusterStanding::Proven || standing == ClusterStanding::Sealed;
}

bool holdingLink(ClusterStanding standing) {
    return provenLink(standing) || standing == ClusterStanding::LinkHolds;
}

ByteRange rangeOf(const ClusterEntry& entry) {
    if (entry.headerOffset < 0 || entry.size <= 0 ||
        entry.headerOffset > std::numeric_limits<int64_t>::max() - entry.size) {
        return {};
    }
    return {entry.headerOffset, entry.headerOffset + entry.size};
}

// Where frames stand before a signature element, in clusters first..last:
// no signature covers them, so no picture may come from them.
std::vector<ByteRange> unsignedFramesIn(const RecordingEvidence& evidence, int64_t first,
                                        int64_t last) {
    std::vector<ByteRange> hidden;
    for (const ClusterEntry& c : evidence.clusters) {
        if (c.number >= first && c.number <= last && c.unsignedFrames && c.headerOffset >= 0) {
            const int64_t end = c.signedStart >= 0 ? c.signedStart : rangeOf(c).end;
            hidden.push_back({c.headerOffset, std::max(end, c.headerOffset)});
        }
    }
    return hidden;
}

// Everything before the first cluster: the EBML header and the tracks.
ByteRange headOf(const RecordingEvidence& evidence) {
    if (!evidence.clusters.empty()) {
        return {0, evidence.clusters.front().headerOffset};
    }
    return {0, evidence.runs.empty() ? 0 : evidence.runs.front().startOffset};
}

}  // namespace

std::string filmstripLabel(int64_t cluster, std::optional<double> seconds,
                           const std::string& wallClock, ClusterStanding standing) {
    std::string when = clock(seconds);
    if (when != "time not stated" && wallClock.size() == 19) {
        when += " (" + wallClock.substr(11) + " as stated)";
    }
    return "Cluster " + std::to_string(cluster) + " · " + when + " · " + standingWord(standing);
}

std::vector<FilmstripFrame> chooseFilmstrip(const RecordingEvidence& evidence, int maxFailing) {
    const std::vector<ClusterEntry>& clusters = evidence.clusters;
    const bool signedSomewhere =
        std::any_of(evidence.runs.begin(), evidence.runs.end(), [](const ClusterRun& r) {
            return r.status == ClusterStatus::Verified || r.status == ClusterStatus::Mismatch;
        });
    const ProofKey key = evidence.proofKey;
    const auto run = std::find_if(
        evidence.runs.begin(), evidence.runs.end(),
        [key, signedSomewhere](const ClusterRun& r) { return failing(r, key, signedSomewhere); });
    const auto proven = [key](const ClusterEntry& c) { return provenLink(standingOf(c, key)); };
    const auto holding = [key](const ClusterEntry& c) { return holdingLink(standingOf(c, key)); };
    if (run == evidence.runs.end() || clusters.empty()) {
        return {};
    }
    const auto byNumber = [&clusters](int64_t number) {
        return std::find_if(clusters.begin(), clusters.end(),
                            [number](const ClusterEntry& c) { return c.number == number; });
    };
    const auto first = byNumber(run->firstCluster);
    if (first == clusters.end()) {
        return {};
    }
    std::vector<FilmstripFrame> frames;
    auto before = std::find_if(std::make_reverse_iterator(first), clusters.rend(), proven);
    if (before == clusters.rend()) {
        before = std::find_if(std::make_reverse_iterator(first), clusters.rend(), holding);
    }
    if (before != clusters.rend()) {
        frames.push_back(frameOf(*before, evidence));
    }
    auto it = first;
    for (int taken = 0; it != clusters.end() && it->number <= run->lastCluster; ++it) {
        if (taken < maxFailing) {
            frames.push_back(frameOf(*it, evidence));
            ++taken;
        }
    }
    auto after = std::find_if(it, clusters.end(), proven);
    if (after == clusters.end()) {
        after = std::find_if(it, clusters.end(), holding);
    }
    if (after != clusters.end()) {
        frames.push_back(frameOf(*after, evidence));
    }
    return frames;
}

std::vector<FilmstripFrame> filmstrip(const ByteSource& source, const RecordingEvidence& evidence,
                                      const FilmstripOptions& options) {
    std::vector<FilmstripFrame> frames = chooseFilmstrip(evidence, options.maxFailing);
    if (frames.empty()) {
        return frames;
    }
    const ByteRange head = headOf(evidence);
    for (FilmstripFrame& frame : frames) {
        const auto entry =
            std::find_if(evidence.clusters.begin(), evidence.clusters.end(),
                         [&frame](const ClusterEntry& c) { return c.number == frame.cluster; });
        frame.picture = firstPicture(source, head, rangeOf(*entry), options.limits,
                                     unsignedFramesIn(evidence, frame.cluster, frame.cluster));
    }
    return frames;
}

PictureResult pictureAtRun(const ByteSource& source, const RecordingEvidence& evidence,
                           const ClusterRun& run, const DecodeLimits& limits) {
    ByteRange body{run.startOffset, run.endOffset};
    if (body.begin >= 0 && body.length() > limits.maxBodyBytes) {
        body.end = body.begin + limits.maxBodyBytes;
    }
    const int64_t last = run.lastCluster >= run.firstCluster ? run.lastCluster
                                                             : std::numeric_limits<int64_t>::max();
    return firstPicture(source, headOf(evidence), body, limits,
                        unsignedFramesIn(evidence, run.firstCluster, last));
}

std::vector<FilmstripFrame> filmstrip(const FileSource& source, const RecordingEvidence& evidence,
                                      const FilmstripOptions& options) {
    if (!source.isOpen()) {
        std::vector<FilmstripFrame> frames = chooseFilmstrip(evidence, options.maxFailing);
        for (FilmstripFrame& frame : frames) {
            frame.picture.reason = "the file cannot be opened: " + source.error();
        }
        return frames;
    }
    std::vector<FilmstripFrame> frames =
        filmstrip(static_cast<const ByteSource&>(source), evidence, options);
    if (!source.unchanged()) {
        // Pictures of other bytes than those verified must not stand for them.
        for (FilmstripFrame& frame : frames) {
            frame.picture = PictureResult{std::nullopt, kChangedWhileVerified};
        }
    }
    return frames;
}

std::vector<FilmstripFrame> filmstrip(const std::string& path, const RecordingEvidence& evidence,
                                      const FilmstripOptions& options) {
    return filmstrip(FileSource(path), evidence, options);
}

}  // namespace nvr::video
