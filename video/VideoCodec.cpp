#include "video/VideoCodec.h"

#include "video/MatroskaInput.h"

namespace nvr::video {

namespace {

// Decoders for what cameras record; a track of any other codec gets no
// picture rather than reaching one of FFmpeg's rarely used decoders.
bool decodable(AVCodecID id) {
    switch (id) {
        case AV_CODEC_ID_H264:
        case AV_CODEC_ID_HEVC:
        case AV_CODEC_ID_MPEG4:
        case AV_CODEC_ID_VP8:
        case AV_CODEC_ID_VP9:
        case AV_CODEC_ID_MJPEG:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool sizeAllowed(int width, int height, const DecodeLimits& limits) {
    return width >= 0 && height >= 0 && width <= limits.maxDimension &&
           height <= limits.maxDimension &&
           static_cast<int64_t>(width) * height <= limits.maxPixels;
}

CodecPtr openVideoCodec(const AVStream& stream, const DecodeLimits& limits, int threads,
                        std::string& why) {
    const AVCodecParameters* parameters = stream.codecpar;
    if (!decodable(parameters->codec_id)) {
        why = std::string("the video track's codec (") + ff().avcodec_get_name(parameters->codec_id) +
              ") is not one this program decodes";
        return nullptr;
    }
    if (!sizeAllowed(parameters->width, parameters->height, limits)) {
        why = "the video track's pictures are larger than this program decodes";
        return nullptr;
    }
    const AVCodec* decoder = ff().avcodec_find_decoder(parameters->codec_id);
    if (decoder == nullptr) {
        why = std::string("no decoder for ") + ff().avcodec_get_name(parameters->codec_id);
        return nullptr;
    }
    CodecPtr codec(ff().avcodec_alloc_context3(decoder));
    if (!codec) {
        why = "out of memory";
        return nullptr;
    }
    int result = ff().avcodec_parameters_to_context(codec.get(), parameters);
    if (result >= 0) {
        codec->thread_count = threads;
        codec->max_pixels = limits.maxPixels;
        codec->pkt_timebase = stream.time_base;
        result = ff().avcodec_open2(codec.get(), decoder, nullptr);
    }
    if (result < 0) {
        why = withDetail("the video decoder cannot start", result, true);
        return nullptr;
    }
    return codec;
}

}  // namespace nvr::video
