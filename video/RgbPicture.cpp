#include "video/RgbPicture.h"

#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "video/Thumbnail.h"

namespace nvr::video {

namespace {

struct Matrix {
    int swsName;
    const char* name;
};

Matrix matrixOf(const AVFrame& frame, bool& stated) {
    stated = true;
    switch (frame.colorspace) {
        case AVCOL_SPC_BT709:
            return {SWS_CS_ITU709, "bt709"};
        case AVCOL_SPC_BT470BG:
        case AVCOL_SPC_SMPTE170M:
        case AVCOL_SPC_FCC:
            return {SWS_CS_ITU601, "bt601"};
        case AVCOL_SPC_SMPTE240M:
            return {SWS_CS_SMPTE240M, "smpte240m"};
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL:
            return {SWS_CS_BT2020, "bt2020"};
        default:
            break;
    }
    stated = false;
    return frame.height >= 720 ? Matrix{SWS_CS_ITU709, "bt709"} : Matrix{SWS_CS_ITU601, "bt601"};
}

// The JPEG pixel formats carry full range whatever the frame says.
bool fullRange(const AVFrame& frame, bool& stated) {
    switch (static_cast<AVPixelFormat>(frame.format)) {
        case AV_PIX_FMT_YUVJ420P:
        case AV_PIX_FMT_YUVJ422P:
        case AV_PIX_FMT_YUVJ444P:
        case AV_PIX_FMT_YUVJ440P:
            stated = true;
            return true;
        default:
            break;
    }
    stated = frame.color_range != AVCOL_RANGE_UNSPECIFIED;
    return frame.color_range == AVCOL_RANGE_JPEG;
}

}  // namespace

bool rgbOf(const AVFrame& frame, RgbPicture& out, std::string& why, Arithmetic arithmetic) {
    const auto source = static_cast<AVPixelFormat>(frame.format);
    if (frame.width <= 0 || frame.height <= 0) {
        why = "the picture has no size";
        return false;
    }
    if (ff().sws_isSupportedInput(source) <= 0) {
        why = "the picture's pixel format cannot be converted";
        return false;
    }
    ColourConversion conversion;
    const char* formatName = ff().av_get_pix_fmt_name(source);
    conversion.pixelFormat = formatName != nullptr ? formatName : "unknown";
    const Matrix matrix = matrixOf(frame, conversion.matrixStated);
    const bool full = fullRange(frame, conversion.rangeStated);
    conversion.matrix = matrix.name;
    conversion.range = full ? "full" : "limited";
    // Same size: no scaling. Exact arithmetic leaves out the processor's
    // own fast paths, whose rounding may differ from machine to machine.
    const bool exact = arithmetic == Arithmetic::Exact;
    conversion.arithmetic = exact ? "exact" : "fast";
    const int flags = exact ? SWS_POINT | SWS_ACCURATE_RND | SWS_BITEXACT | SWS_FULL_CHR_H_INT
                            : SWS_BILINEAR;
    const ScalerPtr scaler(ff().sws_getContext(frame.width, frame.height, source, frame.width,
                                          frame.height, AV_PIX_FMT_RGB24, flags, nullptr, nullptr,
                                          nullptr));
    if (!scaler) {
        why = "the picture cannot be converted";
        return false;
    }
    const int* coefficients = ff().sws_getCoefficients(matrix.swsName);
    ff().sws_setColorspaceDetails(scaler.get(), coefficients, full ? 1 : 0, coefficients, 1, 0,
                             1 << 16, 1 << 16);
    const auto rowBytes = static_cast<size_t>(frame.width) * 3;
    out.rgb.assign(rowBytes * static_cast<size_t>(frame.height), 0);
    uint8_t* planes[4] = {out.rgb.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(rowBytes), 0, 0, 0};
    if (ff().sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) !=
        frame.height) {
        why = "the picture cannot be converted";
        return false;
    }
    out.width = frame.width;
    out.height = frame.height;
    out.conversion = conversion;
    out.damaged = frame.decode_error_flags != 0 || (frame.flags & AV_FRAME_FLAG_CORRUPT) != 0;
    return true;
}

bool pngOf(const RgbPicture& picture, std::vector<uint8_t>& png, std::string& why) {
    const FramePtr rgb(ff().av_frame_alloc());
    if (!rgb) {
        why = "out of memory";
        return false;
    }
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = picture.width;
    rgb->height = picture.height;
    if (ff().av_frame_get_buffer(rgb.get(), 0) < 0) {
        why = "out of memory";
        return false;
    }
    const auto rowBytes = static_cast<size_t>(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(rgb->data[0] + static_cast<ptrdiff_t>(y) * rgb->linesize[0],
                    picture.rgb.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
    }
    return encodePng(*rgb, png, why);
}

}  // namespace nvr::video
