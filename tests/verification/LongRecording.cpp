#include "verification/LongRecording.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "support/EbmlWriter.h"
#include "support/TestRecorder.h"

namespace {

constexpr int64_t kIdBytes = 4;  // Segment and Cluster IDs
constexpr int kSizeWidth = 8;    // the recorder's Segment and Cluster size fields

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

void writeAt(std::FILE* f, int64_t offset, const ebml::Bytes& bytes) {
    if (fseeko(f, offset, SEEK_SET) != 0 ||
        std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        throw std::runtime_error("cannot patch the long recording");
    }
}

}  // namespace

void writeLongRecording(const std::string& path, uint64_t extraBytes) {
    recorder::RecorderOptions options;
    options.clusterCount = 1;
    options.blocksPerCluster = 1;
    const recorder::Recording written = recorder::writeRecording(path, options);
    const recorder::ClusterRecord& cluster = written.clusters.at(0);
    // Both size fields are grown in place, so the cluster must be the last
    // thing in the segment and the segment the last thing in the file.
    if (cluster.dataOffset - cluster.headerOffset != kIdBytes + kSizeWidth ||
        written.segmentDataOffset - written.segmentHeaderOffset != kIdBytes + kSizeWidth ||
        cluster.endOffset != written.segmentEnd || written.segmentEnd != written.fileSize) {
        throw std::logic_error("unexpected recording layout");
    }
    const auto extra = static_cast<int64_t>(extraBytes);
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r+b"));
    if (!file) {
        throw std::runtime_error("cannot open " + path);
    }
    writeAt(file.get(), cluster.headerOffset + kIdBytes,
            ebml::encodeSize(static_cast<uint64_t>(cluster.endOffset - cluster.dataOffset + extra),
                             kSizeWidth));
    writeAt(file.get(), written.segmentHeaderOffset + kIdBytes,
            ebml::encodeSize(
                static_cast<uint64_t>(written.segmentEnd - written.segmentDataOffset + extra),
                kSizeWidth));
    writeAt(file.get(), written.fileSize + extra - 1, {0});
}
