#include "cli/ReportPictures.h"

#ifdef TELVAR_WITH_VIDEO
#include "video/Filmstrip.h"
#endif

std::vector<ReportPicture> reportPictures(const RecordingEvidence& evidence) {
    std::vector<ReportPicture> pictures;
#ifdef TELVAR_WITH_VIDEO
    if (evidence.verdict.code == RECORDING_OK) {
        return pictures;
    }
    for (const video::FilmstripFrame& frame : video::filmstrip(evidence.identity.path, evidence)) {
        ReportPicture picture;
        picture.label = frame.label;
        picture.verified = frame.verified;
        if (frame.picture.picture) {
            picture.png = frame.picture.picture->png;
            picture.width = frame.picture.picture->width;
            picture.height = frame.picture.picture->height;
        } else {
            picture.reason = frame.picture.reason;
        }
        pictures.push_back(std::move(picture));
    }
#else
    (void)evidence;
#endif
    return pictures;
}
