#include "video/ReportPictures.h"

#include <string>
#include <utility>

#ifdef TELVAR_WITH_VIDEO
#include "video/Filmstrip.h"
#endif

namespace {

#ifdef TELVAR_WITH_VIDEO
ReportPicture fromResult(std::string label, bool verified, const video::PictureResult& result) {
    ReportPicture picture;
    picture.label = std::move(label);
    picture.verified = verified;
    if (result.picture) {
        picture.png = result.picture->png;
        picture.width = result.picture->width;
        picture.height = result.picture->height;
    } else {
        picture.reason = result.reason;
    }
    return picture;
}
#endif

}  // namespace

std::vector<ReportPicture> reportPictures(const RecordingEvidence& evidence) {
    std::vector<ReportPicture> pictures;
#ifdef TELVAR_WITH_VIDEO
    if (evidence.verdict.code == RECORDING_OK) {
        return pictures;
    }
    for (const video::FilmstripFrame& frame : video::filmstrip(evidence.identity.path, evidence)) {
        pictures.push_back(fromResult(frame.label, frame.verified, frame.picture));
    }
#else
    (void)evidence;
#endif
    return pictures;
}

ReportPicture runPicture(const RecordingEvidence& evidence, const ClusterRun& run) {
    const bool verified = run.status == ClusterStatus::Verified;
#ifdef TELVAR_WITH_VIDEO
    const std::string label = video::filmstripLabel(run.firstCluster, run.startSeconds, verified);
    const video::FileSource source(evidence.identity.path);
    if (!source.isOpen()) {
        ReportPicture picture;
        picture.label = label;
        picture.verified = verified;
        picture.reason = source.error();
        return picture;
    }
    return fromResult(label, verified, video::pictureAtRun(source, evidence, run));
#else
    (void)evidence;
    ReportPicture picture;
    picture.verified = verified;
    picture.reason = "this build has no video decoder";
    return picture;
#endif
}
