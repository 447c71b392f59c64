#include "video/MatroskaInput.h"

#include "video/FfmpegLog.h"

namespace nvr::video {

namespace {

constexpr int kIoBufferSize = 64 * 1024;
constexpr unsigned int kMaxStreams = 32;

}  // namespace

std::string withDetail(std::string text, int code, bool decoderLog) {
    text += " (" + ffmpegErrorText(code);
    const std::string logged = decoderLog ? lastFfmpegError() : std::string();
    if (!logged.empty()) {
        text += ": " + logged;
    }
    return text + ")";
}

MatroskaInput::MatroskaInput(const ByteSource& source, ByteRange head, ByteRange body,
                             std::chrono::steady_clock::time_point until)
    : headPart(clampRange(head, source.size())),
      bodyPart(clampRange(body, source.size())),
      stream(source, head, body),
      deadline(until) {}

int MatroskaInput::readPacket(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<MatroskaInput*>(opaque);
    return self->pastDeadline() ? AVERROR_EXIT : self->stream.read(buffer, size);
}

int MatroskaInput::interrupted(void* opaque) {
    return static_cast<const MatroskaInput*>(opaque)->pastDeadline() ? 1 : 0;
}

int64_t MatroskaInput::fileOffset(int64_t streamPosition) const {
    if (streamPosition < 0) {
        return -1;
    }
    const int64_t inBody = streamPosition - headPart.length();
    return inBody < 0 ? headPart.begin + streamPosition : bodyPart.begin + inBody;
}

bool MatroskaInput::open(std::string& why) {
    auto* buffer = static_cast<uint8_t*>(ff().av_malloc(kIoBufferSize));
    if (buffer == nullptr) {
        why = "out of memory";
        return false;
    }
    // Not seekable: the demuxer follows no seek entry out of the two ranges.
    io.reset(ff().avio_alloc_context(buffer, kIoBufferSize, 0, this, readPacket, nullptr, nullptr));
    if (!io) {
        ff().av_free(buffer);
        why = "out of memory";
        return false;
    }
    // Never probed: no other demuxer meets these bytes.
    const AVInputFormat* matroska = ff().av_find_input_format("matroska");
    if (matroska == nullptr) {
        why = "this build of FFmpeg has no Matroska demuxer";
        return false;
    }
    AVFormatContext* raw = ff().avformat_alloc_context();
    if (raw == nullptr) {
        why = "out of memory";
        return false;
    }
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->interrupt_callback = {interrupted, this};
    raw->max_streams = kMaxStreams;
    // Frees the context itself when it fails.
    const int opened = ff().avformat_open_input(&raw, nullptr, matroska, nullptr);
    if (opened < 0) {
        why = withDetail("the file's tracks cannot be read", opened);
        return false;
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
    if (streamIndex < 0) {
        why = "the file has no video track";
        return false;
    }
    return true;
}

}  // namespace nvr::video
