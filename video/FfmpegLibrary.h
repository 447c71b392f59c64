#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libavutil/version.h>
#include <libavcodec/version.h>
#include <libavformat/version.h>
#include <libswscale/version.h>
#include <libswscale/swscale.h>
}

#include <stdexcept>
#include <string>

#include "video/FfmpegLoad.h"

// FFmpeg's libraries are opened when a picture is first wanted, not when a
// program starts. A verification never decodes, and with their codecs' own
// dependencies they are well over a hundred libraries to load, more time
// than most verifications take. A system whose FFmpeg is missing or broken
// still verifies; only its pictures are missing, each saying why.
namespace nvr::video {

enum class FfmpegModule { Avutil, Swscale, Avcodec, Avformat };

// Every FFmpeg function this layer calls, with the library that has it.
#define TELVAR_FFMPEG_FUNCTIONS(X)                 \
    X(Avutil, avutil_version)                      \
    X(Avutil, av_malloc)                           \
    X(Avutil, av_free)                             \
    X(Avutil, av_freep)                            \
    X(Avutil, av_strerror)                         \
    X(Avutil, av_log_set_level)                    \
    X(Avutil, av_log_set_callback)                 \
    X(Avutil, av_log_format_line2)                 \
    X(Avutil, av_get_pix_fmt_name)                 \
    X(Avutil, av_frame_alloc)                      \
    X(Avutil, av_frame_free)                       \
    X(Avutil, av_frame_unref)                      \
    X(Avutil, av_frame_clone)                      \
    X(Avutil, av_frame_get_buffer)                 \
    X(Swscale, swscale_version)                    \
    X(Swscale, sws_getContext)                     \
    X(Swscale, sws_freeContext)                    \
    X(Swscale, sws_scale)                          \
    X(Swscale, sws_isSupportedInput)               \
    X(Swscale, sws_getCoefficients)                \
    X(Swscale, sws_setColorspaceDetails)           \
    X(Avcodec, avcodec_version)                    \
    X(Avcodec, avcodec_get_name)                   \
    X(Avcodec, avcodec_find_decoder)               \
    X(Avcodec, avcodec_find_encoder)               \
    X(Avcodec, avcodec_alloc_context3)             \
    X(Avcodec, avcodec_free_context)               \
    X(Avcodec, avcodec_parameters_to_context)      \
    X(Avcodec, avcodec_open2)                      \
    X(Avcodec, avcodec_flush_buffers)              \
    X(Avcodec, avcodec_send_packet)                \
    X(Avcodec, avcodec_receive_frame)              \
    X(Avcodec, avcodec_send_frame)                 \
    X(Avcodec, avcodec_receive_packet)             \
    X(Avcodec, av_packet_alloc)                    \
    X(Avcodec, av_packet_free)                     \
    X(Avcodec, av_packet_unref)                    \
    X(Avformat, avformat_version)                  \
    X(Avformat, av_find_input_format)              \
    X(Avformat, avformat_alloc_context)            \
    X(Avformat, avformat_open_input)               \
    X(Avformat, avformat_close_input)              \
    X(Avformat, av_read_frame)                     \
    X(Avformat, avio_alloc_context)                \
    X(Avformat, avio_context_free)

struct FfmpegFunctions {
#define TELVAR_FFMPEG_MEMBER(module, name) decltype(&::name) name = nullptr;
    TELVAR_FFMPEG_FUNCTIONS(TELVAR_FFMPEG_MEMBER)
#undef TELVAR_FFMPEG_MEMBER
};

// Thrown by ff() when the libraries cannot be loaded.
class VideoUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The functions, loaded if need be. Entry points ask loadFfmpeg() first and
// give its reason; this throws VideoUnavailable rather than call a function
// that is not there.
const FfmpegFunctions& ff();

// The file name each library is opened by: the one the headers compiled
// against name, such as "libavcodec.so.59".
std::string ffmpegSoname(FfmpegModule module);

}  // namespace nvr::video
