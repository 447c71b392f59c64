#include "video/FrameCommands.h"

#include <thread>

#include "signature/RecordingEvidence.h"

#ifdef TELVAR_WITH_VIDEO
#include "report/FrameRecords.h"
#include "video/FrameIndexReader.h"
#include "video/StillExport.h"
#endif

namespace {

#ifdef TELVAR_WITH_VIDEO
RecordingEvidence examined(const std::string& path, bool fileHash) {
    ExamineOptions options;
    options.keepClusters = true;
    options.keepFile = true;
    options.fileHash = fileHash;
    options.threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    return examineRecording(path, options);
}

// The index of the very bytes verified, or why there is none.
nvr::FrameIndex indexOf(const RecordingEvidence& evidence, const nvr::video::FileSource& source) {
    nvr::FrameIndex index;
    if (!source.isOpen()) {
        index.error = evidence.verdict.errorText.empty() ? source.error()
                                                         : evidence.verdict.errorText;
        return index;
    }
    index = nvr::video::readFrameIndex(source, evidence);
    if (!source.unchanged()) {
        index = nvr::FrameIndex{};
        index.error = kChangedWhileVerified;
    }
    return index;
}
#else
constexpr const char* kNoVideo = "this build has no video decoder";
#endif

}  // namespace

#ifdef TELVAR_WITH_VIDEO
std::string writeFrameLines(const std::string& path, std::ostream& out) {
    const RecordingEvidence evidence = examined(path, false);
    const nvr::video::FileSource source = nvr::video::FileSource::of(evidence);
    const nvr::FrameIndex index = indexOf(evidence, source);
    for (const nvr::FrameEntry& entry : index.frames) {
        out << frameJsonLine(index, entry) << '\n';
    }
    return index.error;
}

StillFiles stillFiles(const std::string& path, int64_t frame) {
    StillFiles files;
    const RecordingEvidence evidence = examined(path, true);
    const nvr::video::FileSource source = nvr::video::FileSource::of(evidence);
    const nvr::FrameIndex index = indexOf(evidence, source);
    const nvr::FrameEntry* entry = index.find(frame);
    if (entry == nullptr) {
        files.error = !index.error.empty() && index.frames.empty()
                          ? index.error
                          : "the recording has no frame " + std::to_string(frame) + " (it has " +
                                std::to_string(index.frames.size()) + ")";
        return files;
    }
    nvr::video::Still still = nvr::video::exportStill(
        source, index, nvr::video::headOf(evidence, source.size()), frame);
    if (!source.unchanged()) {
        files.error = kChangedWhileVerified;
        return files;
    }
    if (still.png.empty()) {
        files.error = still.reason;
        return files;
    }
    still.record.sourcePath = path;
    still.record.sourceSha256 = evidence.identity.sha256;
    still.record.proofKey = evidence.proofKey;
    files.png = std::move(still.png);
    files.record = stillRecordJson(still.record, index, *entry);
    return files;
}
#else
std::string writeFrameLines(const std::string&, std::ostream&) {
    return kNoVideo;
}

StillFiles stillFiles(const std::string&, int64_t) {
    return StillFiles{{}, {}, kNoVideo};
}
#endif
