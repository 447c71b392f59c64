#include "video/Thumbnail.h"

#include <algorithm>

#include "video/FfmpegLog.h"

namespace nvr::video {

namespace {

bool scale(const AVFrame& frame, AVFrame& rgb, std::string& why) {
    const auto source = static_cast<AVPixelFormat>(frame.format);
    if (ff().sws_isSupportedInput(source) <= 0) {
        why = "the picture's pixel format cannot be converted";
        return false;
    }
    const ScalerPtr scaler(ff().sws_getContext(frame.width, frame.height, source, rgb.width, rgb.height,
                                          AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr,
                                          nullptr));
    if (!scaler || ff().av_frame_get_buffer(&rgb, 0) < 0) {
        why = "the picture cannot be scaled";
        return false;
    }
    if (ff().sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, rgb.data,
                  rgb.linesize) <= 0) {
        why = "the picture cannot be scaled";
        return false;
    }
    return true;
}

}  // namespace

bool encodePng(const AVFrame& rgb, std::vector<uint8_t>& png, std::string& why) {
    const AVCodec* encoder = ff().avcodec_find_encoder(AV_CODEC_ID_PNG);
    const CodecPtr context(encoder != nullptr ? ff().avcodec_alloc_context3(encoder) : nullptr);
    const PacketPtr packet(ff().av_packet_alloc());
    if (!context || !packet) {
        why = "no PNG encoder";
        return false;
    }
    context->width = rgb.width;
    context->height = rgb.height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = {1, 1};
    int result = ff().avcodec_open2(context.get(), encoder, nullptr);
    if (result >= 0) {
        result = ff().avcodec_send_frame(context.get(), &rgb);
    }
    if (result >= 0) {
        result = ff().avcodec_receive_packet(context.get(), packet.get());
    }
    if (result < 0) {
        why = "the picture cannot be written as PNG (" + ffmpegErrorText(result) + ")";
        return false;
    }
    png.assign(packet->data, packet->data + packet->size);
    return true;
}

bool makeThumbnail(const AVFrame& frame, int width, Picture& out, std::string& why) {
    if (frame.width <= 0 || frame.height <= 0 || width <= 0) {
        why = "the picture has no size";
        return false;
    }
    const FramePtr rgb(ff().av_frame_alloc());
    if (!rgb) {
        why = "out of memory";
        return false;
    }
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = std::min(width, frame.width);
    const int64_t height = static_cast<int64_t>(frame.height) * rgb->width / frame.width;
    rgb->height = static_cast<int>(std::max<int64_t>(1, height));
    if (!scale(frame, *rgb, why) || !encodePng(*rgb, out.png, why)) {
        return false;
    }
    out.width = rgb->width;
    out.height = rgb->height;
    out.sourceWidth = frame.width;
    out.sourceHeight = frame.height;
    out.damaged = frame.decode_error_flags != 0 || (frame.flags & AV_FRAME_FLAG_CORRUPT) != 0;
    return true;
}

}  // namespace nvr::video
