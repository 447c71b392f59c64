#include "DemoFiles.h"

#include <unistd.h>

#include "support/DemoRecordings.h"

const DemoFiles& DemoFiles::get() {
    static const DemoFiles files;
    return files;
}

DemoFiles::DemoFiles()
    : dir(std::filesystem::temp_directory_path() / ("telvar-video-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir);
    const std::string clip = std::string(TELVAR_TEST_DATA) + "/clock-h264-320x240.mkv";
    for (const recorder::DemoRecording& demo : recorder::demoRecordings(clip)) {
        written.emplace(demo.name,
                        recorder::writeRecording((dir / demo.name).string(), demo.options));
    }
}

DemoFiles::~DemoFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

nvr::video::ByteRange headOf(const recorder::Recording& recording) {
    return {0, recording.clusters.front().headerOffset};
}

nvr::video::ByteRange clusterOf(const recorder::Recording& recording, size_t index) {
    const recorder::ClusterRecord& c = recording.clusters.at(index);
    return {c.headerOffset, c.endOffset};
}

RecordingEvidence evidenceOf(const recorder::Recording& recording, int failFirst, int failLast) {
    RecordingEvidence evidence;
    evidence.tag.startTime = "2026-12-01 08:00:00";
    for (size_t i = 0; i < recording.clusters.size(); ++i) {
        const recorder::ClusterRecord& c = recording.clusters[i];
        ClusterEntry entry;
        entry.number = static_cast<int64_t>(i) + 1;
        entry.headerOffset = c.headerOffset;
        entry.size = c.endOffset - c.headerOffset;
        entry.seconds = static_cast<double>(c.timecode) / 1000.0;
        const bool fails = static_cast<int>(i) >= failFirst && static_cast<int>(i) <= failLast;
        entry.status = fails ? ClusterStatus::Mismatch : ClusterStatus::Verified;
        if (evidence.runs.empty() || evidence.runs.back().status != entry.status) {
            evidence.runs.push_back({entry.status, entry.number, entry.number, c.headerOffset,
                                     c.endOffset, entry.seconds, std::nullopt});
        }
        evidence.runs.back().lastCluster = entry.number;
        evidence.runs.back().endOffset = c.endOffset;
        evidence.clusters.push_back(entry);
    }
    evidence.clusterCount = static_cast<int64_t>(evidence.clusters.size());
    return evidence;
}
