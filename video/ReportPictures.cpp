#include "video/ReportPictures.h"

#include <string>
#include <utility>

#ifdef TELVAR_WITH_VIDEO
#include "video/FfmpegLoad.h"
#include "video/Filmstrip.h"
#endif

namespace {

#ifdef TELVAR_WITH_VIDEO
ReportPicture fromResult(std::string label, ClusterStanding standing, int64_t cluster,
                         const nvr::video::PictureResult& result) {
    ReportPicture picture;
    picture.label = std::move(label);
    picture.cluster = cluster;
    picture.standing = standing;
    picture.verified = standing == ClusterStanding::Proven;
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
    if (evidence.verdict.code == VerdictCode::Success) {
        return pictures;
    }
    std::string why;
    if (!nvr::video::loadFfmpeg(why)) {
        ReportPicture none;
        none.label = "Pictures";
        none.reason = why;
        pictures.push_back(std::move(none));
        return pictures;
    }
    for (const nvr::video::FilmstripFrame& frame :
         nvr::video::filmstrip(nvr::video::FileSource::of(evidence), evidence)) {
        pictures.push_back(fromResult(frame.label, frame.standing, frame.cluster, frame.picture));
    }
#else
    (void)evidence;
#endif
    return pictures;
}

ReportPicture runPicture(const RecordingEvidence& evidence, const ClusterRun& run) {
    const ClusterStanding standing = standingOf(run, evidence.proofKey);
#ifdef TELVAR_WITH_VIDEO
    const std::string wall =
        run.startSeconds ? wallClockAt(evidence.tag.startTime, *run.startSeconds) : "";
    const std::string label =
        nvr::video::filmstripLabel(run.firstCluster, run.startSeconds, wall, standing);
    const nvr::video::FileSource source = nvr::video::FileSource::of(evidence);
    std::string why;
    if (!source.isOpen() || !nvr::video::loadFfmpeg(why)) {
        ReportPicture picture;
        picture.label = label;
        picture.standing = standing;
        picture.verified = standing == ClusterStanding::Proven;
        picture.reason = source.isOpen() ? why : source.error();
        return picture;
    }
    return fromResult(label, standing, run.firstCluster,
                      nvr::video::pictureAtRun(source, evidence, run));
#else
    (void)evidence;
    ReportPicture picture;
    picture.standing = standing;
    picture.verified = standing == ClusterStanding::Proven;
    picture.reason = "this build has no video decoder";
    return picture;
#endif
}
