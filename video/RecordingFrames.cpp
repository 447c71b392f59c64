#include "video/RecordingFrames.h"

#include <algorithm>
#include <thread>

#ifdef TELVAR_WITH_VIDEO
#include "report/FrameRecords.h"
#include "video/FfmpegLoad.h"
#include "video/FrameIndexReader.h"
#include "video/FrameSeeker.h"
#include "video/StillExport.h"
#endif

namespace {

#ifndef TELVAR_WITH_VIDEO
constexpr const char* kNoVideo = "this build has no video decoder";
#endif

RecordingEvidence examineForFrames(const std::string& path, bool fileHash,
                           const std::atomic<bool>* cancel) {
    ExamineOptions options;
    options.keepClusters = true;
    options.keepFile = true;
    options.fileHash = fileHash;
    options.threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    return examineRecording(path, options, nullptr, nullptr, cancel);
}

}  // namespace

#ifdef TELVAR_WITH_VIDEO
struct RecordingFrames::Decoding {
    explicit Decoding(const RecordingEvidence& evidence) : source(nvr::video::FileSource::of(evidence)) {}
    nvr::video::FileSource source;
    nvr::video::ByteRange head;
    std::unique_ptr<nvr::video::FrameSeeker> seeker;  // made at the first picture
};

RecordingFrames::RecordingFrames(const std::string& givenPath, bool fileHash,
                                 const std::atomic<bool>* cancel)
    : path(givenPath) {
    auto evidence = std::make_shared<RecordingEvidence>(examineForFrames(path, fileHash, cancel));
    examined = evidence;
    decoding = std::make_unique<Decoding>(*evidence);
    auto index = std::make_shared<nvr::FrameIndex>();
    const nvr::video::FileSource& source = decoding->source;
    if (cancel != nullptr && cancel->load()) {
        index->error = "cancelled";
    } else if (!source.isOpen()) {
        index->error =
            evidence->verdict.errorText.empty() ? source.error() : evidence->verdict.errorText;
    } else if (std::string why; !nvr::video::loadFfmpeg(why)) {
        index->error = why;
    } else {
        *index = nvr::video::readFrameIndex(source, *evidence);
        if (!source.unchanged()) {
            *index = nvr::FrameIndex{};
            index->error = kChangedWhileVerified;
        }
        decoding->head = nvr::video::headOf(*evidence, source.size());
    }
    frames = index;
}

RecordingFrames::Image RecordingFrames::picture(int64_t frame) {
    Image image;
    if (frames->find(frame) == nullptr) {
        image.reason = "no such frame";
        return image;
    }
    if (!decoding->seeker) {
        decoding->seeker =
            std::make_unique<nvr::video::FrameSeeker>(decoding->source, *frames, decoding->head);
    }
    nvr::video::FramePicture decoded = decoding->seeker->picture(frame);
    if (!decoded.picture) {
        image.reason = decoded.reason;
        return image;
    }
    image.width = decoded.picture->width;
    image.height = decoded.picture->height;
    image.rgb = std::move(decoded.picture->rgb);
    return image;
}

StillFiles RecordingFrames::still(int64_t frame) {
    StillFiles files;
    const nvr::FrameEntry* entry = frames->find(frame);
    if (entry == nullptr) {
        files.error = !frames->error.empty() && frames->frames.empty()
                          ? frames->error
                          : "the recording has no frame " + std::to_string(frame) + " (it has " +
                                std::to_string(frames->frames.size()) + ")";
        return files;
    }
    nvr::video::Still still =
        nvr::video::exportStill(decoding->source, *frames, decoding->head, frame);
    if (!decoding->source.unchanged()) {
        files.error = kChangedWhileVerified;
        return files;
    }
    if (still.png.empty()) {
        files.error = still.reason;
        return files;
    }
    still.record.sourcePath = path;
    still.record.sourceSha256 = examined->identity.sha256;
    still.record.proofKey = examined->proofKey;
    files.png = std::move(still.png);
    files.pngSha256 = still.record.pngSha256;
    files.rgbSha256 = still.record.rgbSha256;
    files.record = stillRecordJson(still.record, *frames, *entry);
    return files;
}
#else
struct RecordingFrames::Decoding {};

RecordingFrames::RecordingFrames(const std::string& givenPath, bool fileHash,
                                 const std::atomic<bool>* cancel)
    : path(givenPath) {
    examined = std::make_shared<RecordingEvidence>(examineForFrames(path, fileHash, cancel));
    auto index = std::make_shared<nvr::FrameIndex>();
    index->error = kNoVideo;
    frames = index;
}

RecordingFrames::Image RecordingFrames::picture(int64_t) {
    Image image;
    image.reason = kNoVideo;
    return image;
}

StillFiles RecordingFrames::still(int64_t) {
    return StillFiles{{}, {}, kNoVideo, {}, {}};
}
#endif

RecordingFrames::~RecordingFrames() = default;
