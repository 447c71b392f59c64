#include "support/FrameForgeries.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/EbmlWriter.h"
#include "support/TempFile.h"

namespace recorder {

namespace {

constexpr uint64_t kCluster = 0x1F43B675;
constexpr uint64_t kTimecode = 0xE7;
constexpr uint64_t kSimpleBlock = 0xA3;
constexpr uint64_t kBlockGroup = 0xA0;
constexpr uint64_t kBlock = 0xA1;
constexpr uint64_t kVoidBytes = 300;  // 9 of header, then room for a small cluster

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void appendTo(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot append to " + path);
    }
}

// A keyframe of track 1 at the cluster's time.
Bytes block(uint8_t fill) {
    Bytes payload = {0x81, 0x00, 0x00, 0x80};
    payload.insert(payload.end(), 64, fill);
    return payload;
}

// A cluster of unknown size: every size bit set.
Bytes unknownSizeCluster(uint64_t timecode) {
    Bytes bytes = ebml::encodeId(kCluster);
    bytes.insert(bytes.end(), {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    for (const ebml::Element& child :
         {ebml::uintEl(kTimecode, timecode), ebml::el(kSimpleBlock, block(0x11)),
          ebml::el(kSimpleBlock, block(0x22))}) {
        const Bytes encoded = ebml::encode(child);
        bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    }
    return bytes;
}

uint64_t lastTimecode(const Recording& written) {
    return written.clusters.empty() ? 0 : written.clusters.back().timecode;
}

}  // namespace

RecorderOptions forgeryBase(FrameForgery forgery, RecorderOptions options) {
    if (forgery == FrameForgery::HiddenInVoid) {
        options.voidBeforeTag = kVoidBytes;
    }
    return options;
}

ForgedFrames forgeFrames(FrameForgery forgery, const Recording& written,
                         const RecorderOptions& options) {
    ForgedFrames forged;
    forged.firstCluster = written.fileSize;
    const uint64_t after = lastTimecode(written) + 1000;
    switch (forgery) {
        case FrameForgery::ClustersAppended: {
            const Bytes file = fileBytes(written.path);
            for (size_t i = 0; i < 3 && i < written.clusters.size(); ++i) {
                const ClusterRecord& c = written.clusters[i];
                appendTo(written.path,
                         Bytes(file.begin() + c.headerOffset, file.begin() + c.endOffset));
                ++forged.clusters;
                forged.frames += options.blocksPerCluster;
            }
            break;
        }
        case FrameForgery::SecondSegment: {
            const TempFile second;
            RecorderOptions other = options;
            other.seed = options.seed + 1;
            const Recording made = writeRecording(second.path(), other);
            const Bytes file = fileBytes(second.path());
            appendTo(written.path, Bytes(file.begin() + made.segmentHeaderOffset, file.end()));
            forged.firstCluster += made.clusters.front().headerOffset - made.segmentHeaderOffset;
            forged.clusters = static_cast<int64_t>(made.clusters.size());
            forged.frames = forged.clusters * options.blocksPerCluster;
            break;
        }
        case FrameForgery::BlockGroupAppended:
            appendTo(written.path,
                     ebml::encode(ebml::el(
                         kCluster, {ebml::uintEl(kTimecode, after),
                                    ebml::el(kBlockGroup, {ebml::el(kBlock, block(0x33))})})));
            forged.clusters = 1;
            forged.frames = 1;
            break;
        case FrameForgery::UnknownSizeCluster:
            appendTo(written.path, unknownSizeCluster(after));
            forged.clusters = 1;
            forged.frames = 2;
            break;
        case FrameForgery::HiddenInVoid: {
            // The Void stands right before the tag; its payload after a
            // nine-byte header.
            const int64_t at = written.tag.headerOffset - static_cast<int64_t>(kVoidBytes) + 9;
            const Bytes cluster = ebml::encode(ebml::el(
                kCluster, {ebml::uintEl(kTimecode, 0), ebml::el(kSimpleBlock, block(0x44))}));
            std::fstream file(written.path, std::ios::binary | std::ios::in | std::ios::out);
            file.seekp(at);
            file.write(reinterpret_cast<const char*>(cluster.data()),
                       static_cast<std::streamsize>(cluster.size()));
            forged.firstCluster = at;
            forged.clusters = 1;
            forged.frames = 1;
            break;
        }
    }
    return forged;
}

}  // namespace recorder
