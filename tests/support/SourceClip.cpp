#include "support/SourceClip.h"
#include "support/ElementIds.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace recorder {

namespace {

constexpr uint64_t kIdEbml = 0x1A45DFA3;
constexpr uint64_t kIdCrc32 = 0xBF;
constexpr uint64_t kIdPosition = 0xA7;
constexpr uint64_t kIdPrevSize = 0xAB;
constexpr size_t kMaxClip = 64 << 20;
// Track number (one byte for tracks below 128), relative timecode, flags.
constexpr uint64_t kSimpleBlockHeader = 4;

struct Header {
    uint64_t id = 0;
    uint64_t size = 0;
    size_t at = 0;       // first byte of the element
    size_t payload = 0;  // first byte of its payload
    size_t end() const { return payload + static_cast<size_t>(size); }
};

[[noreturn]] void badClip(const std::string& why) {
    throw std::runtime_error("source clip: " + why);
}

uint64_t readVint(const Bytes& data, size_t& pos, bool keepMarker) {
    if (pos >= data.size()) {
        badClip("element header past the end");
    }
    const uint8_t first = data[pos];
    int width = 1;
    while (width <= 8 && (first & (0x80 >> (width - 1))) == 0) {
        ++width;
    }
    if (width > 8 || pos + static_cast<size_t>(width) > data.size()) {
        badClip("bad element header");
    }
    uint64_t value = keepMarker ? first : first & (0xFF >> width);
    for (int i = 1; i < width; ++i) {
        value = (value << 8) | data[pos + static_cast<size_t>(i)];
    }
    pos += static_cast<size_t>(width);
    return value;
}

Header readHeader(const Bytes& data, size_t pos, size_t limit) {
    Header h;
    h.at = pos;
    h.id = readVint(data, pos, true);
    h.size = readVint(data, pos, false);
    h.payload = pos;
    if (h.size > limit - pos) {
        badClip("element of unknown size or past its parent");
    }
    return h;
}

uint64_t readUint(const Bytes& data, const Header& h) {
    uint64_t value = 0;
    for (size_t i = h.payload; i < h.end(); ++i) {
        value = (value << 8) | data[i];
    }
    return value;
}

Bytes slice(const Bytes& data, size_t begin, size_t end) {
    return Bytes(data.begin() + static_cast<std::ptrdiff_t>(begin),
                 data.begin() + static_cast<std::ptrdiff_t>(end));
}

ClipCluster readCluster(const Bytes& data, const Header& cluster) {
    ClipCluster out;
    bool timecode = false;
    bool firstBlock = true;
    for (size_t pos = cluster.payload; pos < cluster.end();) {
        const Header child = readHeader(data, pos, cluster.end());
        pos = child.end();
        if (child.id == kIdTimecode) {
            out.timecode = readUint(data, child);
            timecode = true;
        } else if (child.id != kIdCrc32 && child.id != kIdPosition && child.id != kIdPrevSize) {
            if (child.id == kIdSimpleBlock && firstBlock && child.size > kSimpleBlockHeader) {
                out.firstFrameAt =
                    out.blocks.size() + (child.payload - child.at) + kSimpleBlockHeader;
                out.firstFrameSize = child.size - kSimpleBlockHeader;
                firstBlock = false;
            }
            const Bytes bytes = slice(data, child.at, child.end());
            out.blocks.insert(out.blocks.end(), bytes.begin(), bytes.end());
        }
    }
    if (!timecode) {
        badClip("a cluster without a Timecode");
    }
    return out;
}

}  // namespace

SourceClip readSourceClip(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        badClip("cannot read " + path);
    }
    // Read in one call: byte by byte through a stream iterator, unoptimised
    // under the sanitizers, this took half of every demo's making.
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxClip) {
        badClip(path + " is larger than a test clip should be");
    }
    in.seekg(0);
    Bytes data(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(data.data()), size)) {
        badClip("cannot read " + path);
    }
    SourceClip clip;
    const Header ebml = readHeader(data, 0, data.size());
    if (ebml.id != kIdEbml) {
        badClip(path + " is not an EBML file");
    }
    clip.ebmlHeader = slice(data, ebml.at, ebml.end());
    const Header segment = readHeader(data, ebml.end(), data.size());
    if (segment.id != kIdSegment) {
        badClip("no Segment after the EBML header");
    }
    for (size_t pos = segment.payload; pos < segment.end();) {
        const Header child = readHeader(data, pos, segment.end());
        pos = child.end();
        if (child.id == kIdInfo) {
            clip.info = slice(data, child.at, child.end());
        } else if (child.id == kIdTracks) {
            clip.tracks = slice(data, child.at, child.end());
        } else if (child.id == kIdCluster) {
            clip.clusters.push_back(readCluster(data, child));
        }
    }
    if (clip.info.empty() || clip.tracks.empty()) {
        badClip(path + " lacks Info or Tracks");
    }
    return clip;
}

}  // namespace recorder
