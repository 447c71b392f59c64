#include "video/ClusterDecoder.h"

#include <algorithm>
#include <utility>

#include "video/FfmpegLog.h"
#include "video/VideoCodec.h"

namespace nvr::video {

// A packet's position in the spliced stream, as a file offset; a packet
// whose position is unknown is hidden whenever anything is.
bool ClusterDecoder::hiddenAt(int64_t streamPosition) const {
    if (hidden.empty()) {
        return false;
    }
    if (streamPosition < 0) {
        return true;
    }
    const int64_t offset = input.fileOffset(streamPosition);
    return std::any_of(hidden.begin(), hidden.end(), [offset](const ByteRange& range) {
        return offset >= range.begin && offset < range.end;
    });
}

ClusterDecoder::ClusterDecoder(const ByteSource& source, ByteRange head, ByteRange body,
                               const DecodeLimits& decodeLimits,
                               std::vector<ByteRange> hiddenRanges)
    : limits(decodeLimits),
      hidden(std::move(hiddenRanges)),
      input(source, head, body, std::chrono::steady_clock::now() + decodeLimits.timeBudget) {
    captureFfmpegLog();
    clearFfmpegError();
}

// Whatever a call reports once the time is up, the time is the reason.
bool ClusterDecoder::fail(std::string reason) {
    if (why.empty()) {
        why = pastDeadline() ? kDecodeTooLong : std::move(reason);
    }
    return false;
}

bool ClusterDecoder::open() {
    packet.reset(ff().av_packet_alloc());
    frame.reset(ff().av_frame_alloc());
    if (!packet || !frame) {
        return fail("out of memory");
    }
    return openDemuxer() && openCodec();
}

bool ClusterDecoder::openDemuxer() {
    std::string reason;
    return input.open(reason) || fail(reason);
}

bool ClusterDecoder::openCodec() {
    std::string reason;
    codec = openVideoCodec(input.video(), limits, 1, reason);
    return codec != nullptr || fail(reason);
}

// One packet of the video track into the decoder, or the end of the input.
bool ClusterDecoder::feed() {
    for (;;) {
        if (pastDeadline()) {
            return fail(kDecodeTooLong);
        }
        if (packets >= limits.maxPackets) {
            return fail("decoding read more packets than allowed");
        }
        const int result = ff().av_read_frame(input.context(), packet.get());
        if (result < 0) {
            // A demuxing error ends the input like its end does: what was
            // read still decodes.
            if (result == AVERROR_EXIT) {
                return fail(kDecodeTooLong);
            }
            if (result != AVERROR_EOF) {
                lastError = withDetail("the file's blocks cannot be read", result);
            }
            draining = true;
            ff().avcodec_send_packet(codec.get(), nullptr);
            return true;
        }
        ++packets;
        const bool wanted = packet->stream_index == input.videoStream() && !hiddenAt(packet->pos) &&
                            (keySeen || (packet->flags & AV_PKT_FLAG_KEY) != 0);
        if (wanted) {
            keySeen = true;
            clearFfmpegError();
            const int sent = ff().avcodec_send_packet(codec.get(), packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                lastError = withDetail("the video cannot be decoded", sent, true);
            }
        }
        ff().av_packet_unref(packet.get());
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
        ff().av_frame_unref(frame.get());
        const int result = ff().avcodec_receive_frame(codec.get(), frame.get());
        if (result == 0) {
            if (!sizeAllowed(frame->width, frame->height, limits)) {
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
           av_q2d(input.video().time_base);
}

}  // namespace nvr::video
