#include "signature/FrameIndex.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace nvr {

namespace {

bool provenStanding(const std::optional<ClusterStanding>& s) {
    return s == ClusterStanding::Proven || s == ClusterStanding::Sealed ||
           s == ClusterStanding::OutOfPlace;
}

// [begin, begin + length) without overflow; none for a negative or huge one.
std::optional<int64_t> endOf(int64_t begin, int64_t length) {
    if (begin < 0 || length < 0 || begin > std::numeric_limits<int64_t>::max() - length) {
        return std::nullopt;
    }
    return begin + length;
}

// The kept clusters by header offset, to find the one holding a packet.
class ClusterLookup {
  public:
    explicit ClusterLookup(const RecordingEvidence& evidence) : key(evidence.proofKey) {
        for (const ClusterEntry& c : evidence.clusters) {
            if (endOf(c.headerOffset, c.size)) {
                sorted.push_back(&c);
            }
        }
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const ClusterEntry* a, const ClusterEntry* b) {
                             return a->headerOffset < b->headerOffset;
                         });
    }

    void place(const DemuxedPacket& packet, FrameEntry& entry) const {
        const std::optional<int64_t> end = endOf(packet.offset, packet.size);
        auto after = std::upper_bound(
            sorted.begin(), sorted.end(), packet.offset,
            [](int64_t offset, const ClusterEntry* c) { return offset < c->headerOffset; });
        if (!end || after == sorted.begin()) {
            return;
        }
        const ClusterEntry& c = **std::prev(after);
        if (*end > *endOf(c.headerOffset, c.size)) {
            return;
        }
        entry.cluster = c.number;
        entry.clusterOffset = c.headerOffset;
        // Frames before the signature element lie in no signed bytes.
        if (c.signedStart >= 0 && packet.offset >= c.signedStart && *end <= c.signedEnd) {
            entry.standing = standingOf(c, key);
        }
    }

  private:
    ProofKey key;
    std::vector<const ClusterEntry*> sorted;
};

// The first packets, in file order from a keyframe, that are not proven and
// that stand out of place: a group's summary so far.
struct Group {
    bool opened = false;  // by a keyframe
    int64_t keyPts = 0;
    std::optional<size_t> unproven;
    std::optional<size_t> outOfPlace;

    void add(size_t at, const std::optional<ClusterStanding>& standing) {
        if (!provenStanding(standing)) {
            unproven = unproven.value_or(at);
        } else if (standing == ClusterStanding::OutOfPlace) {
            outOfPlace = outOfPlace.value_or(at);
        }
    }
};

// Sets `entries[at]`'s standing and dependsOn (as a file-order index for
// now) from its chain: its group, and for a frame shown before its keyframe
// (an open group's leading pictures) the group before as well. A proven
// packet takes the standing of the first packet of its chain that is not
// proven, else of the first out of place; any other keeps its own.
void chainStanding(std::vector<FrameEntry>& entries,
                   const std::vector<std::optional<ClusterStanding>>& own, size_t at,
                   const Group& group, const Group& previous) {
    FrameEntry& entry = entries[at];
    if (!provenStanding(own[at])) {
        return;  // its own packet speaks first
    }
    std::optional<size_t> unproven = group.unproven;
    std::optional<size_t> outOfPlace = group.outOfPlace;
    if (group.opened && entry.pts < group.keyPts && previous.opened) {
        unproven = previous.unproven ? previous.unproven : unproven;
        outOfPlace = previous.outOfPlace ? previous.outOfPlace : outOfPlace;
    }
    const std::optional<size_t> weakest = unproven ? unproven : outOfPlace;
    if (weakest && *weakest != at) {
        entry.standing = own[*weakest];
        entry.dependsOn = static_cast<int64_t>(*weakest);
    }
}

}  // namespace

std::string timeBaseText(TimeBase base) {
    return std::to_string(base.numerator) + "/" + std::to_string(base.denominator);
}

const char* frameStandingCode(const std::optional<ClusterStanding>& standing) {
    return standing ? clusterStandingCode(*standing) : "outside-signatures";
}

const FrameEntry* FrameIndex::find(int64_t frame) const {
    if (frame < 1 || static_cast<uint64_t>(frame) > frames.size()) {
        return nullptr;
    }
    return &frames[static_cast<size_t>(frame - 1)];
}

std::optional<double> FrameIndex::secondsOf(const FrameEntry& entry) const {
    if (timeBase.numerator <= 0 || timeBase.denominator <= 0) {
        return std::nullopt;
    }
    const double seconds = static_cast<double>(entry.pts) *
                           static_cast<double>(timeBase.numerator) /
                           static_cast<double>(timeBase.denominator);
    return std::isfinite(seconds) ? std::optional<double>(seconds) : std::nullopt;
}

std::string FrameIndex::statedTime(const FrameEntry& entry) const {
    // Whole milliseconds in integers where they fit: 1.16 s must not print as 1.159.
    int64_t scaled = 0;
    int64_t millis = 0;
    if (timeBase.numerator > 0 && timeBase.denominator > 0 && entry.pts >= 0 &&
        !__builtin_mul_overflow(entry.pts, timeBase.numerator, &scaled) &&
        !__builtin_mul_overflow(scaled, int64_t{1000}, &scaled)) {
        millis = scaled / timeBase.denominator;
    } else {
        const std::optional<double> seconds = secondsOf(entry);
        if (!seconds || !(*seconds >= 0.0) || *seconds > 1e11) {
            return std::string();
        }
        millis = static_cast<int64_t>(std::floor(*seconds * 1000.0));
    }
    const std::string whole = wallClockAt(tagStart, static_cast<double>(millis / 1000));
    if (whole.empty()) {
        return whole;
    }
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(millis % 1000));
    return whole + fraction;
}

std::optional<int64_t> FrameIndex::decodeStart(int64_t frame) const {
    const FrameEntry* entry = find(frame);
    if (entry == nullptr) {
        return std::nullopt;
    }
    // The keyframes at or before the packet, nearest first.
    std::optional<int64_t> key;
    for (int64_t d = entry->decodeOrder; d >= 1; --d) {
        const int64_t number = byDecodeOrder[static_cast<size_t>(d - 1)];
        const FrameEntry& candidate = frames[static_cast<size_t>(number - 1)];
        if (!candidate.keyframe) {
            continue;
        }
        if (key) {
            return candidate.frame;  // the one before a leading picture's keyframe
        }
        key = candidate.frame;
        if (entry->pts >= candidate.pts) {
            return key;
        }
    }
    return key;
}

FrameIndex indexFrames(std::vector<DemuxedPacket> packets, TimeBase base,
                       const RecordingEvidence& evidence) {
    FrameIndex index;
    index.timeBase = base;
    index.tagStart = evidence.tag.startTime;
    if (packets.size() > FrameIndex::kMaxFrames) {
        packets.resize(FrameIndex::kMaxFrames);
        index.error = "the video track has more than " + std::to_string(FrameIndex::kMaxFrames) +
                      " frames; the index stops there";
    }
    const ClusterLookup lookup(evidence);
    std::vector<FrameEntry> entries(packets.size());
    std::vector<std::optional<ClusterStanding>> own(packets.size());
    Group group;
    Group previous;
    for (size_t d = 0; d < packets.size(); ++d) {
        const DemuxedPacket& packet = packets[d];
        FrameEntry& entry = entries[d];
        entry.decodeOrder = static_cast<int64_t>(d) + 1;
        entry.pts = packet.pts;
        entry.offset = packet.offset;
        entry.size = packet.size;
        entry.keyframe = packet.keyframe;
        entry.packetSha256 = packet.sha256;
        lookup.place(packet, entry);
        own[d] = entry.standing;
        if (packet.keyframe) {
            previous = group;
            group = Group{true, packet.pts, std::nullopt, std::nullopt};
        }
        group.add(d, entry.standing);
        chainStanding(entries, own, d, group, previous);
    }
    // Frame numbers are ranks in pts order; packets of equal pts keep file order.
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&entries](size_t a, size_t b) { return entries[a].pts < entries[b].pts; });
    index.byDecodeOrder.resize(entries.size());
    for (size_t rank = 0; rank < order.size(); ++rank) {
        entries[order[rank]].frame = static_cast<int64_t>(rank) + 1;
        index.byDecodeOrder[order[rank]] = static_cast<int64_t>(rank) + 1;
    }
    for (FrameEntry& entry : entries) {
        if (entry.dependsOn) {
            entry.dependsOn = entries[static_cast<size_t>(*entry.dependsOn)].frame;
        }
    }
    index.frames.resize(entries.size());
    for (size_t d = 0; d < entries.size(); ++d) {
        index.frames[static_cast<size_t>(entries[d].frame - 1)] = std::move(entries[d]);
    }
    return index;
}

}  // namespace nvr
