#pragma once

#include "video/FfmpegLibrary.h"

#include <memory>

// Every FFmpeg object has exactly one owner, which frees it with the
// library's function for its type.
namespace nvr::video {

struct FormatCloser {
    void operator()(AVFormatContext* context) const noexcept { ff().avformat_close_input(&context); }
};
struct CodecFreer {
    void operator()(AVCodecContext* context) const noexcept { ff().avcodec_free_context(&context); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const noexcept { ff().av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const noexcept { ff().av_packet_free(&packet); }
};
struct ScalerFreer {
    void operator()(SwsContext* context) const noexcept { ff().sws_freeContext(context); }
};
// The context may have replaced the buffer it was given, so its own is freed.
struct IoFreer {
    void operator()(AVIOContext* context) const noexcept {
        ff().av_freep(&context->buffer);
        ff().avio_context_free(&context);
    }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFreer>;
using IoPtr = std::unique_ptr<AVIOContext, IoFreer>;

}  // namespace nvr::video
