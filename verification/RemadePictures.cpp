#include "verification/RemadePictures.h"

#include "video/ReportPictures.h"

namespace {

std::vector<ReportPicture> none(const std::string& why) {
    ReportPicture tile;
    tile.label = "Pictures of the file as it is now";
    tile.reason = why;
    return {tile};
}

}  // namespace

std::vector<ReportPicture> remadePictures(const RecordingEvidence& stored,
                                          const std::atomic<bool>* cancel) {
    if (stored.verdict.code == VerdictCode::Success ||
        stored.verdict.code == VerdictCode::NotVerified || stored.identity.path.empty() ||
        stored.runs.empty()) {
        // Nothing to show, so the file (which may be large, and is hashed
        // whole) is not read again: without a run of clusters none failed.
        return {};
    }
    ExamineOptions options;
    options.keepClusters = true;
    options.keepFile = true;  // the pictures are of the bytes just hashed
    const RecordingEvidence now =
        examineRecording(stored.identity.path, options, nullptr, nullptr, cancel);
    if (now.identity.sha256.empty()) {
        return none("the file cannot be read now" +
                    (now.identity.error.empty() ? std::string() : ": " + now.identity.error));
    }
    if (now.identity.sha256 != stored.identity.sha256) {
        return none("the file's bytes are no longer those verified (SHA-256 now " +
                    now.identity.sha256 + "); verify it again");
    }
    return reportPictures(now);
}
