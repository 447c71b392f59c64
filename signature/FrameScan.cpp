#include "signature/FrameScan.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include "container/MkvIds.h"
#include "container/ReadBudget.h"
#include "container/SafeOffset.h"

namespace nvr {

namespace {

constexpr uint8_t kClusterId[4] = {0x1F, 0x43, 0xB6, 0x75};
constexpr int64_t kSearchChunk = 64 * 1024;
// Further Segments told apart by offset; past these, "after the end".
constexpr size_t kMaxSegments = 16;

// An element header as a demuxer reads it: IDs of up to four bytes, empty
// elements, and the unknown size (every size bit set), which has no end.
struct Header {
    int32_t id = 0;
    int64_t offset = 0;
    int64_t dataOffset = 0;
    std::optional<int64_t> end;
};

using Range = std::pair<int64_t, int64_t>;  // [first, second)

class FrameSearch {
  public:
    FrameSearch(iReader& source_, const ClusterMap& map, int64_t segmentHeader_,
                int64_t segmentEnd_)
        : source(source_),
          fileSize(std::max<int64_t>(source_.size(), 0)),
          segmentHeader(segmentHeader_),
          segmentEnd(segmentEnd_) {
        for (const ClusterEntry& entry : map.entries()) {
            if (entry.proven && entry.signedStart >= 0 && entry.signedEnd > entry.signedStart) {
                proven.emplace_back(entry.signedStart, entry.signedEnd);
            }
        }
        std::sort(proven.begin(), proven.end());
    }

    UnprovenFrames run() {
        const ReadBudget budget(fileSize);
        if (source.size() < 0) {
            found.stoppedAt = 0;  // what cannot be read cannot be ruled out
            return found;
        }
        try {
            findSegments();
            int64_t from = 0;
            for (const Range& range : proven) {
                searchGap(from, range.first);
                from = std::max(from, range.second);
            }
            searchGap(from, fileSize);
        } catch (const MkvException& e) {
            found.stoppedAt = e.position().value_or(0);
        }
        return found;
    }

  private:
    // False past the end of the file; throws where the file cannot be read.
    bool readAt(int64_t offset, int64_t length, uint8_t* buffer) {
        if (offset < 0 || length > fileSize - offset) {
            return false;
        }
        if (length == 0) {
            return true;
        }
        if (source.read(offset, static_cast<int32_t>(length), buffer) != length) {
            throw MkvException(MkvErrorCode::Io, offset);
        }
        return true;
    }

    std::optional<Header> headerAt(int64_t offset) {
        ReadBudget::chargeHeader(offset);
        uint8_t bytes[8] = {};
        if (!readAt(offset, 1, bytes) || bytes[0] == 0) {
            return std::nullopt;
        }
        const int idLength = 1 + __builtin_clz(bytes[0]) - 24;
        if (idLength > 4 || !readAt(offset + 1, idLength - 1, bytes + 1)) {
            return std::nullopt;
        }
        uint32_t id = 0;
        for (int i = 0; i < idLength; ++i) {
            id = (id << 8) | bytes[i];
        }
        const int64_t sizeAt = offset + idLength;
        if (!readAt(sizeAt, 1, bytes) || bytes[0] == 0) {
            return std::nullopt;
        }
        const int sizeLength = 1 + __builtin_clz(bytes[0]) - 24;
        uint64_t size = bytes[0] & (0xFFu >> sizeLength);
        if (!readAt(sizeAt + 1, sizeLength - 1, bytes + 1)) {
            return std::nullopt;
        }
        for (int i = 1; i < sizeLength; ++i) {
            size = (size << 8) | bytes[i];
        }
        Header header;
        header.id = static_cast<int32_t>(id);
        header.offset = offset;
        header.dataOffset = sizeAt + sizeLength;
        if (size != (uint64_t{1} << (7 * sizeLength)) - 1) {
            header.end = addOffsets(header.dataOffset, static_cast<int64_t>(size));
        }
        return header;
    }

    // The proven range that starts at `offset`, or null.
    const Range* provenAt(int64_t offset) const {
        const auto it = std::lower_bound(proven.begin(), proven.end(), Range{offset, 0});
        return it != proven.end() && it->first == offset ? &*it : nullptr;
    }

    bool covered(int64_t begin, int64_t end) const {
        auto it = std::upper_bound(proven.begin(), proven.end(),
                                   Range{begin, std::numeric_limits<int64_t>::max()});
        if (it == proven.begin()) {
            return false;
        }
        --it;
        return begin >= it->first && end <= it->second;
    }

    // Segments that follow the first one, stepping by sizes; the walk stops
    // at the first header it cannot read.
    void findSegments() {
        int64_t at = segmentEnd;
        while (at >= 0 && at < fileSize && segments.size() < kMaxSegments) {
            const std::optional<Header> element = headerAt(at);
            if (!element) {
                return;
            }
            const int64_t end = element->end.value_or(fileSize);
            if (element->id == ID_SEGMENT) {
                segments.emplace_back(at, end);
            }
            if (!element->end) {
                return;
            }
            at = end;
        }
    }

    UnprovenFrameRun placeOf(int64_t offset) const {
        UnprovenFrameRun run;
        if (offset < segmentHeader) {
            run.place = FramePlace::BeforeSegment;
        } else if (offset < segmentEnd) {
            run.place = FramePlace::InSegment;
        } else {
            run.place = FramePlace::AfterSegment;
            for (const Range& segment : segments) {
                if (offset >= segment.first && offset < segment.second) {
                    run.place = FramePlace::OtherSegment;
                    run.segmentOffset = segment.first;
                }
            }
        }
        return run;
    }

    // In a cluster of unknown size, a demuxer ends the cluster at an element
    // of a level above it.
    static bool endsCluster(int32_t id) {
        switch (id) {
            case ID_CLUSTER:
            case ID_SEGMENT:
            case ID_EBML:
            case ID_SEEK_HEAD:
            case ID_INFO:
            case ID_TRACKS:
            case ID_CUES:
            case ID_TAGS:
            case ID_CHAPTERS:
            case ID_ATTACHMENTS:
                return true;
            default:
                return false;
        }
    }

    // The frames a demuxer reads from the cluster at `at` that lie outside
    // every proven range. It reads the children by their sizes and stops at
    // one it cannot read or that overruns the cluster; from there it would
    // search for the next cluster, which the byte search finds as well.
    int64_t unprovenFramesIn(int64_t at) {
        const std::optional<Header> cluster = headerAt(at);
        if (!cluster) {
            return 0;
        }
        const int64_t end = std::min(cluster->end.value_or(fileSize), fileSize);
        int64_t frames = 0;
        int64_t position = cluster->dataOffset;
        while (position < end) {
            // A proven cluster's signed bytes are the recorder's own
            // elements, which end where its cluster does: stepped over
            // whole, so a genuine file is not read a second time.
            if (const Range* const signedRange = provenAt(position)) {
                if (cluster->end && signedRange->second > *cluster->end) {
                    break;
                }
                position = signedRange->second;
                continue;
            }
            const std::optional<Header> child = headerAt(position);
            if (!child || (!cluster->end && endsCluster(child->id)) ||
                (cluster->end && (!child->end || *child->end > *cluster->end))) {
                break;
            }
            if ((child->id == ID_SIMPLE_BLOCK || child->id == ID_BLOCK_GROUP) &&
                (!child->end || !covered(child->offset, *child->end))) {
                ++frames;
            }
            // A master of unknown size is read into; its children stand
            // where the demuxer looks next.
            position = child->end ? *child->end : child->dataOffset;
        }
        return frames;
    }

    void foundCluster(int64_t at) {
        const int64_t frames = unprovenFramesIn(at);
        if (frames == 0) {
            return;
        }
        ++found.clusters;
        found.frames += frames;
        const UnprovenFrameRun place = placeOf(at);
        std::vector<UnprovenFrameRun>& runs = found.runs;
        if (!runs.empty() && runs.back().place == place.place &&
            runs.back().segmentOffset == place.segmentOffset) {
            runs.back().lastOffset = at;
            ++runs.back().clusters;
            runs.back().frames += frames;
        } else if (runs.size() < UnprovenFrames::kMaxRuns) {
            UnprovenFrameRun run = place;
            run.firstOffset = at;
            run.lastOffset = at;
            run.clusters = 1;
            run.frames = frames;
            runs.push_back(run);
        }
    }

    // Every Cluster ID that starts in [from, to).
    void searchGap(int64_t from, int64_t to) {
        for (int64_t start = from; start < to; start += kSearchChunk) {
            const int64_t starts = std::min(kSearchChunk, to - start);
            const int64_t length = std::min(starts + 3, fileSize - start);
            if (length < 4) {
                return;
            }
            chunk.resize(static_cast<size_t>(length));
            readAt(start, length, chunk.data());
            for (int64_t i = 0; i < starts && i + 4 <= length; ++i) {
                if (std::equal(kClusterId, kClusterId + 4, chunk.data() + static_cast<size_t>(i))) {
                    foundCluster(start + i);
                }
            }
        }
    }

    iReader& source;
    const int64_t fileSize;
    const int64_t segmentHeader;
    const int64_t segmentEnd;
    std::vector<Range> proven;    // sorted signed ranges of proven clusters
    std::vector<Range> segments;  // further Segments
    UnprovenFrames found;
    std::vector<uint8_t> chunk;  // bytes being searched
};

}  // namespace

UnprovenFrames findUnprovenFrames(iReader& source, const ClusterMap& map, int64_t segmentHeader,
                                  int64_t segmentEnd) {
    return FrameSearch(source, map, segmentHeader, segmentEnd).run();
}

}  // namespace nvr
