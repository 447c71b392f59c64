#include "EncodedClip.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <memory>
#include <stdexcept>

#include "signature/Sha256.h"
#include "video/FfmpegPtr.h"
#include "video/RgbPicture.h"

namespace {

using nvr::video::CodecPtr;
using nvr::video::FramePtr;
using nvr::video::PacketPtr;

void check(int result, const char* what) {
    if (result < 0) {
        throw std::runtime_error(std::string("encoded clip: ") + what);
    }
}

struct OutputCloser {
    void operator()(AVFormatContext* context) const {
        if (context->pb != nullptr) {
            avio_closep(&context->pb);
        }
        avformat_free_context(context);
    }
};

// Bars that move a pixel a frame and a block that moves faster, so that
// every frame differs from its neighbours.
void paint(AVFrame& frame, int n) {
    const int blockX = (4 * n) % frame.width;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const bool block = x >= blockX && x < blockX + 32 && y >= frame.height / 3 &&
                               y < frame.height / 3 + 32;
            frame.data[0][y * frame.linesize[0] + x] =
                static_cast<uint8_t>(block ? 235 : 16 + ((x + n) / 8 * 24) % 200);
        }
    }
    for (int y = 0; y < frame.height / 2; ++y) {
        for (int x = 0; x < frame.width / 2; ++x) {
            frame.data[1][y * frame.linesize[1] + x] = static_cast<uint8_t>(64 + (x + 2 * n) % 128);
            frame.data[2][y * frame.linesize[2] + x] = static_cast<uint8_t>(64 + (y + n) % 128);
        }
    }
}

void drain(AVCodecContext& encoder, AVFormatContext& output, AVStream& stream, AVPacket& packet) {
    for (;;) {
        const int result = avcodec_receive_packet(&encoder, &packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return;
        }
        check(result, "encoding");
        av_packet_rescale_ts(&packet, encoder.time_base, stream.time_base);
        packet.stream_index = stream.index;
        check(av_interleaved_write_frame(&output, &packet), "writing a packet");
    }
}

struct ClipInputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

}  // namespace

void writeEncodedClip(const std::string& path, const ClipShape& shape) {
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) {
        throw std::runtime_error("encoded clip: no libx264 encoder");
    }
    AVFormatContext* raw = nullptr;
    check(avformat_alloc_output_context2(&raw, nullptr, "matroska", path.c_str()), "muxer");
    const std::unique_ptr<AVFormatContext, OutputCloser> output(raw);
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    const CodecPtr encoder(avcodec_alloc_context3(codec));
    if (stream == nullptr || !encoder) {
        throw std::runtime_error("encoded clip: out of memory");
    }
    encoder->width = shape.width;
    encoder->height = shape.height;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = {1, shape.fps};
    encoder->framerate = {shape.fps, 1};
    encoder->gop_size = shape.keyInterval;
    encoder->max_b_frames = shape.bFrames;
    encoder->thread_count = 1;
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(encoder->priv_data, "preset", "ultrafast", 0);
    const std::string params = "bframes=" + std::to_string(shape.bFrames) +
                               ":b-adapt=0:scenecut=0:min-keyint=" +
                               std::to_string(shape.keyInterval) + ":keyint=" +
                               std::to_string(shape.keyInterval);
    av_opt_set(encoder->priv_data, "x264-params", params.c_str(), 0);
    check(avcodec_open2(encoder.get(), codec, nullptr), "opening the encoder");
    check(avcodec_parameters_from_context(stream->codecpar, encoder.get()), "parameters");
    stream->time_base = {1, 1000};
    check(avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE), "opening the file");
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "cluster_time_limit", shape.clusterMillis, 0);
    const int header = avformat_write_header(output.get(), &options);
    av_dict_free(&options);
    check(header, "writing the header");

    const FramePtr frame(av_frame_alloc());
    const PacketPtr packet(av_packet_alloc());
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = shape.width;
    frame->height = shape.height;
    check(av_frame_get_buffer(frame.get(), 0), "a frame");
    for (int n = 0; n < shape.frames; ++n) {
        check(av_frame_make_writable(frame.get()), "a frame");
        paint(*frame, n);
        frame->pts = n;
        check(avcodec_send_frame(encoder.get(), frame.get()), "encoding");
        drain(*encoder, *output, *stream, *packet);
    }
    check(avcodec_send_frame(encoder.get(), nullptr), "flushing");
    drain(*encoder, *output, *stream, *packet);
    check(av_write_trailer(output.get()), "writing the trailer");
}

std::vector<DemuxerPacket> demuxedVideo(const std::string& path) {
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) != 0) {
        throw std::runtime_error("FFmpeg cannot open " + path);
    }
    const std::unique_ptr<AVFormatContext, ClipInputCloser> input(opened);
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const PacketPtr packet(av_packet_alloc());
    std::vector<DemuxerPacket> packets;
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == video) {
            packets.push_back({packet->pts, packet->pos, packet->size,
                               (packet->flags & AV_PKT_FLAG_KEY) != 0});
        }
        av_packet_unref(packet.get());
    }
    return packets;
}

std::map<int64_t, std::string> decodedPictures(const std::string& path) {
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) != 0) {
        throw std::runtime_error("FFmpeg cannot open " + path);
    }
    const std::unique_ptr<AVFormatContext, ClipInputCloser> input(opened);
    check(avformat_find_stream_info(input.get(), nullptr), "stream info");
    const AVCodec* codec = nullptr;
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    check(video, "no video");
    const CodecPtr decoder(avcodec_alloc_context3(codec));
    check(avcodec_parameters_to_context(decoder.get(), input->streams[video]->codecpar), "decoder");
    decoder->thread_count = 1;
    check(avcodec_open2(decoder.get(), codec, nullptr), "decoder");
    const PacketPtr packet(av_packet_alloc());
    const FramePtr frame(av_frame_alloc());
    std::map<int64_t, std::string> pictures;
    const auto receive = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            nvr::video::RgbPicture rgb;
            std::string why;
            if (!nvr::video::rgbOf(*frame, rgb, why, nvr::video::Arithmetic::Exact)) {
                throw std::runtime_error(why);
            }
            pictures[frame->best_effort_timestamp] = sha256Hex(rgb.rgb.data(), rgb.rgb.size());
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == video) {
            check(avcodec_send_packet(decoder.get(), packet.get()), "decoding");
            receive();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    receive();
    return pictures;
}
