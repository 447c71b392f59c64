#include "video/ClusterDecoder.h"

#include <algorithm>
#include <utility>

#include "video/FfmpegLog.h"

namespace nvr::video {

namespace {

constexpr int kIoBufferSize = 64 * 1024;
constexpr unsigned int kMaxStreams = 32;
constexpr const char* kTooLong = "decoding took longer than the time allowed";

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

// The demuxer's own complaints name offsets in the spliced stream, not in
// the file, so only the decoder's are passed on.
std::string withDetail(std::string text, int code, bool decoderLog = false) {
    text += " (" + ffmpegErrorText(code);
    const std::string logged = decoderLog ? lastFfmpegError() : std::string();
    if (!logged.empty()) {
        text += ": " + logged;
    }
    return text + ")";
}

// The part of `range` that lies in a source of `size` bytes, as SpliceStream reads it.
ByteRange clampTo(ByteRange range, int64_t size) {
    range.begin = std::clamp<int64_t>(range.begin, 0, size);
    range.end = std::clamp<int64_t>(range.end, range.begin, size);
    return range;
}

}  // namespace

// A packet's position in the spliced stream, as a file offset; a packet
// whose position is unknown is hidden whenever anything is.
bool ClusterDecoder::hiddenAt(int64_t streamPosition) const {
    if (hidden.empty()) {
        return false;
    }
    if (streamPosition < 0) {
        return true;
    }
    const int64_t inBody = streamPosition - headPart.length();
    const int64_t offset = inBody < 0 ? headPart.begin + streamPosition : bodyPart.begin + inBody;
    return std::any_of(hidden.begin(), hidden.end(), [offset](const ByteRange& range) {
        return offset >= range.begin && offset < range.end;
    });
}

ClusterDecoder::ClusterDecoder(const ByteSource& source, ByteRange head, ByteRange body,
                               const DecodeLimits& decodeLimits,
                               std::vector<ByteRange> hiddenRanges)
    : limits(decodeLimits),
      headPart(clampTo(head, source.size())),
      bodyPart(clampTo(body, source.size())),
      hidden(std::move(hiddenRanges)),
      stream(source, head, body),
      deadline(std::chrono::steady_clock::now() + decodeLimits.timeBudget) {
    captureFfmpegLog();
    clearFfmpegError();
}

int ClusterDecoder::readPacket(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<ClusterDecoder*>(opaque);
    return self->pastDeadline() ? AVERROR_EXIT : self->stream.read(buffer, size);
}

int ClusterDecoder::interrupted(void* opaque) {
    return static_cast<const ClusterDecoder*>(opaque)->pastDeadline() ? 1 : 0;
}

// Whatever a call reports once the time is up, the time is the reason.
bool ClusterDecoder::fail(std::string reason) {
    if (why.empty()) {
        why = pastDeadline() ? kTooLong : std::move(reason);
    }
    return false;
}

bool ClusterDecoder::sizeAllowed(int width, int height) const {
    return width >= 0 && height >= 0 && width <= limits.maxDimension &&
           height <= limits.maxDimension &&
           static_cast<int64_t>(width) * height <= limits.maxPixels;
}

bool ClusterDecoder::open() {
    packet.reset(av_packet_alloc());
    frame.reset(av_frame_alloc());
    if (!packet || !frame) {
        return fail("out of memory");
    }
    return openDemuxer() && openCodec();
}

bool ClusterDecoder::openDemuxer() {
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (buffer == nullptr) {
        return fail("out of memory");
    }
    // Not seekable: the demuxer follows no seek entry out of the two ranges.
    io.reset(avio_alloc_context(buffer, kIoBufferSize, 0, this, readPacket, nullptr, nullptr));
    if (!io) {
        av_free(buffer);
        return fail("out of memory");
    }
    // Never probed: no other demuxer meets these bytes.
    const AVInputFormat* matroska = av_find_input_format("matroska");
    if (matroska == nullptr) {
        return fail("this build of FFmpeg has no Matroska demuxer");
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) {
        return fail("out of memory");
    }
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->interrupt_callback = {interrupted, this};
    raw->max_streams = kMaxStreams;
    // Frees the context itself when it fails.
    const int opened = avformat_open_input(&raw, nullptr, matroska, nullptr);
    if (opened < 0) {
        return fail(withDetail("the file's tracks cannot be read", opened));
    }
    format.reset(raw);
    for (unsigned int i = 0; i < format->nb_streams; ++i) {
        AVStream* s = format->streams[i];
        if (streamIndex < 0 && s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            streamIndex = static_cast<int>(i);
        } else {
            s->discard = AVDISCARD_ALL;
        }
    }
    return streamIndex >= 0 || fail("the file has no video track");
}

bool ClusterDecoder::openCodec() {
    const AVCodecParameters* parameters = format->streams[streamIndex]->codecpar;
    if (!decodable(parameters->codec_id)) {
        return fail(std::string("the video track's codec (") +
                    avcodec_get_name(parameters->codec_id) + ") is not one this program decodes");
    }
    if (!sizeAllowed(parameters->width, parameters->height)) {
        return fail("the video track's pictures are larger than this program decodes");
    }
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    if (decoder == nullptr) {
        return fail(std::string("no decoder for ") + avcodec_get_name(parameters->codec_id));
    }
    codec.reset(avcodec_alloc_context3(decoder));
    if (!codec) {
        return fail("out of memory");
    }
    int result = avcodec_parameters_to_context(codec.get(), parameters);
    if (result >= 0) {
        codec->thread_count = 1;
        codec->max_pixels = limits.maxPixels;
        codec->pkt_timebase = format->streams[streamIndex]->time_base;
        result = avcodec_open2(codec.get(), decoder, nullptr);
    }
    return result >= 0 || fail(withDetail("the video decoder cannot start", result, true));
}

// One packet of the video track into the decoder, or the end of the input.
bool ClusterDecoder::feed() {
    for (;;) {
        if (pastDeadline()) {
            return fail(kTooLong);
        }
        if (packets >= limits.maxPackets) {
            return fail("decoding read more packets than allowed");
        }
        const int result = av_read_frame(format.get(), packet.get());
        if (result < 0) {
            // A demuxing error ends the input like its end does: what was
            // read still decodes.
            if (result == AVERROR_EXIT) {
                return fail(kTooLong);
            }
            if (result != AVERROR_EOF) {
                lastError = withDetail("the file's blocks cannot be read", result);
            }
            draining = true;
            avcodec_send_packet(codec.get(), nullptr);
            return true;
        }
        ++packets;
        const bool wanted = packet->stream_index == streamIndex && !hiddenAt(packet->pos) &&
                            (keySeen || (packet->flags & AV_PKT_FLAG_KEY) != 0);
        if (wanted) {
            keySeen = true;
            clearFfmpegError();
            const int sent = avcodec_send_packet(codec.get(), packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                lastError = withDetail("the video cannot be decoded", sent, true);
            }
        }
        av_packet_unref(packet.get());
        if (wanted) {
            return true;
        }
    }
}

const AVFrame* ClusterDecoder::next() {
    if (!codec || !why.empty()) {
        return nullptr;
    }
    for (;;) {
        av_frame_unref(frame.get());
        const int result = avcodec_receive_frame(codec.get(), frame.get());
        if (result == 0) {
            if (!sizeAllowed(frame->width, frame->height)) {
                fail("a picture is larger than this program decodes");
                return nullptr;
            }
            return frame.get();
        }
        if (result == AVERROR_EOF) {
            return nullptr;
        }
        if (result != AVERROR(EAGAIN)) {
            fail(withDetail("the video cannot be decoded", result, true));
            return nullptr;
        }
        if (draining) {
            return nullptr;  // a decoder that never reports its end
        }
        if (!feed()) {
            return nullptr;
        }
    }
}

std::optional<double> ClusterDecoder::secondsOf(const AVFrame& picture) const {
    if (picture.best_effort_timestamp == AV_NOPTS_VALUE) {
        return std::nullopt;
    }
    return static_cast<double>(picture.best_effort_timestamp) *
           av_q2d(format->streams[streamIndex]->time_base);
}

}  // namespace nvr::video
