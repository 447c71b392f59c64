#include "video/StillExport.h"

#include "signature/Sha256.h"
#include "video/FrameSeeker.h"

namespace nvr::video {

namespace {

std::string versionText(const char* name, unsigned version) {
    return std::string(name) + " " + std::to_string(version >> 16) + "." +
           std::to_string((version >> 8) & 0xFF) + "." + std::to_string(version & 0xFF);
}

}  // namespace

std::string ffmpegVersions() {
    return versionText("libavcodec", ff().avcodec_version()) + ", " +
           versionText("libavformat", ff().avformat_version()) + ", " +
           versionText("libswscale", ff().swscale_version()) + ", " +
           versionText("libavutil", ff().avutil_version());
}

Still exportStill(const ByteSource& source, const FrameIndex& index, ByteRange head,
                  int64_t frame) {
    Still still;
    SeekOptions options;
    options.cachedFrames = 0;
    options.arithmetic = Arithmetic::Exact;
    FrameSeeker seeker(source, index, head, options);
    FramePicture shown = seeker.picture(frame);
    if (!shown.picture) {
        still.reason = shown.reason;
        return still;
    }
    const RgbPicture& picture = *shown.picture;
    if (!pngOf(picture, still.png, still.reason)) {
        return still;
    }
    StillRecord& record = still.record;
    record.decoder = ffmpegVersions();
    record.pixelFormat = picture.conversion.pixelFormat;
    record.range = picture.conversion.range;
    record.matrix = picture.conversion.matrix;
    record.arithmetic = picture.conversion.arithmetic;
    record.rangeStated = picture.conversion.rangeStated;
    record.matrixStated = picture.conversion.matrixStated;
    record.width = picture.width;
    record.height = picture.height;
    record.damaged = picture.damaged;
    record.pngSha256 = sha256Hex(still.png.data(), still.png.size());
    record.rgbSha256 = sha256Hex(picture.rgb.data(), picture.rgb.size());
    return still;
}

}  // namespace nvr::video
