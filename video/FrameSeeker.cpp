#include "video/FrameSeeker.h"

#include <algorithm>

#include "video/FfmpegLog.h"
#include "video/VideoCodec.h"

namespace nvr::video {

namespace {

constexpr int kMaxTries = 3;  // fresh starts for one request, each a keyframe further back
// Frames either side of the target decoded whole, for the next steps; the
// further ones only where pictures after them refer to them.
constexpr int64_t kStepsAhead = 8;
constexpr int64_t kStepsBack = 8;

int64_t bytesOf(const AVFrame& frame) {
    int64_t bytes = 0;
    for (const AVBufferRef* buffer : frame.buf) {
        bytes += buffer != nullptr ? static_cast<int64_t>(buffer->size) : 0;
    }
    return bytes;
}

int64_t ptsOf(const AVFrame& frame) {
    return frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp
                                                         : frame.pts;
}

}  // namespace

FrameSeeker::FrameSeeker(const ByteSource& bytes, const FrameIndex& frames, ByteRange fileHead,
                         SeekOptions seekOptions)
    : source(bytes), index(frames), head(fileHead), options(seekOptions) {
    captureFfmpegLog();
}

std::optional<int64_t> FrameSeeker::frameAtPts(int64_t pts) const {
    const auto at = std::lower_bound(
        index.frames.begin(), index.frames.end(), pts,
        [](const FrameEntry& entry, int64_t value) { return entry.pts < value; });
    if (at == index.frames.end() || at->pts != pts) {
        return std::nullopt;
    }
    return at->frame;
}

bool FrameSeeker::start(int64_t keyFrame, std::string& why) {
    const FrameEntry& key = *index.find(keyFrame);
    const int64_t from = key.clusterOffset >= 0 ? key.clusterOffset : head.end;
    input = std::make_unique<MatroskaInput>(
        source, head, ByteRange{from, source.size()},
        std::chrono::steady_clock::now() + options.limits.timeBudget);
    sessionKey.reset();
    if (!input->open(why)) {
        input.reset();
        return false;
    }
    if (!codec) {
        codec = openVideoCodec(input->video(), options.limits, options.threads, why);
        packet.reset(ff().av_packet_alloc());
        decoded.reset(ff().av_frame_alloc());
        if (!codec || !packet || !decoded) {
            why = why.empty() ? "out of memory" : why;
            codec.reset();
            return false;
        }
    } else {
        ff().avcodec_flush_buffers(codec.get());
    }
    sessionKey = keyFrame;
    startEntry = &key;
    fedDecodeOrder = 0;
    lastOutputPts.reset();
    skippedAhead.reset();
    anyOutput = false;
    draining = false;
    ended = false;
    cost.newStart = true;
    return true;
}

// One packet of the video track into the decoder, from the session's
// keyframe on, or the end of the input.
bool FrameSeeker::feed(std::string& why) {
    for (int read = 0;; ++read) {
        if (input->pastDeadline()) {
            why = kDecodeTooLong;
            return false;
        }
        if (read >= options.limits.maxPackets) {
            why = "decoding read more packets than allowed";
            return false;
        }
        const int result = ff().av_read_frame(input->context(), packet.get());
        if (result < 0) {
            if (result == AVERROR_EXIT) {
                why = kDecodeTooLong;
                return false;
            }
            draining = true;
            ff().avcodec_send_packet(codec.get(), nullptr);
            return true;
        }
        bool send = packet->stream_index == input->videoStream();
        if (send && startEntry != nullptr) {
            // Packets before the keyframe, in its cluster, are read past.
            send = input->fileOffset(packet->pos) == startEntry->offset &&
                   packet->pts == startEntry->pts;
            if (send) {
                fedDecodeOrder = startEntry->decodeOrder - 1;
                startEntry = nullptr;
            }
        }
        if (send) {
            const bool shown = packet->pts >= keepFromPts && packet->pts <= keepToPts;
            codec->skip_frame = shown ? AVDISCARD_DEFAULT : AVDISCARD_NONREF;
            if (!shown && packet->pts > keepToPts) {
                skippedAhead = std::min(packet->pts, skippedAhead.value_or(packet->pts));
            }
            // A packet that does not decode leaves the pictures after it to tell.
            ff().avcodec_send_packet(codec.get(), packet.get());
            ++fedDecodeOrder;
            ++cost.packets;
        }
        ff().av_packet_unref(packet.get());
        if (send) {
            return true;
        }
    }
}

void FrameSeeker::keep(int64_t frame, const AVFrame& picture, int64_t around) {
    const auto distance = [around](int64_t n) { return n > around ? n - around : around - n; };
    if (options.cachedFrames == 0 ||
        distance(frame) > static_cast<int64_t>(options.cachedFrames)) {
        return;
    }
    FramePtr copy(ff().av_frame_clone(&picture));
    if (!copy || cache.count(frame) != 0) {
        return;
    }
    cachedBytes += bytesOf(*copy);
    cache[frame] = std::move(copy);
    // The farthest from the frame asked for go first.
    while (!cache.empty() &&
           (cache.size() > options.cachedFrames || cachedBytes > options.cacheBytes)) {
        const auto first = cache.begin();
        const auto last = std::prev(cache.end());
        const auto farthest = distance(first->first) >= distance(last->first) ? first : last;
        cachedBytes -= bytesOf(*farthest->second);
        cache.erase(farthest);
    }
}

const AVFrame* FrameSeeker::decodeTo(const FrameEntry& target, std::string& why, bool& past) {
    for (;;) {
        ff().av_frame_unref(decoded.get());
        const int result = ff().avcodec_receive_frame(codec.get(), decoded.get());
        if (result == 0) {
            if (!sizeAllowed(decoded->width, decoded->height, options.limits)) {
                why = "a picture is larger than this program decodes";
                return nullptr;
            }
            const int64_t pts = ptsOf(*decoded);
            if (!anyOutput && pts > target.pts) {
                past = true;
                return nullptr;
            }
            anyOutput = true;
            lastOutputPts = pts;
            if (const std::optional<int64_t> frame = frameAtPts(pts)) {
                keep(*frame, *decoded, target.frame);
            }
            if (pts == target.pts) {
                return decoded.get();
            }
            if (pts > target.pts) {
                why = "the decoder gave no picture for this frame";
                return nullptr;
            }
            continue;
        }
        if (result == AVERROR_EOF || (result == AVERROR(EAGAIN) && draining)) {
            ended = true;
            why = "the decoder gave no picture for this frame";
            return nullptr;
        }
        if (result != AVERROR(EAGAIN)) {
            why = withDetail("the video cannot be decoded", result, true);
            return nullptr;
        }
        if (!feed(why)) {
            return nullptr;
        }
    }
}

// Decoding on from where the last request stopped, rather than from a
// keyframe, when the frame is still ahead and near.
bool FrameSeeker::canContinueTo(const FrameEntry& target, int64_t startKey) const {
    if (!input || !sessionKey || startEntry != nullptr || ended || !lastOutputPts ||
        *lastOutputPts >= target.pts || (skippedAhead && target.pts >= *skippedAhead)) {
        return false;
    }
    const int64_t window = 2 * static_cast<int64_t>(options.cachedFrames) + 8;
    return index.find(startKey)->decodeOrder >= index.find(*sessionKey)->decodeOrder &&
           target.decodeOrder - fedDecodeOrder <= window;
}

FramePicture FrameSeeker::picture(int64_t frame) {
    cost = Cost{};
    FramePicture result;
    const FrameEntry* target = index.find(frame);
    if (target == nullptr) {
        result.reason = "the recording has no frame " + std::to_string(frame) + " (it has " +
                        std::to_string(index.frames.size()) + ")";
        return result;
    }
    RgbPicture rgb;
    const auto cached = cache.find(frame);
    if (cached != cache.end()) {
        cost.fromCache = true;
        if (rgbOf(*cached->second, rgb, result.reason, options.arithmetic)) {
            result.picture = std::move(rgb);
            result.pts = ptsOf(*cached->second);
        }
        return result;
    }
    std::optional<int64_t> key = index.decodeStart(frame);
    const auto last = static_cast<int64_t>(index.frames.size());
    const int64_t cachedFrom =
        frame - std::min(kStepsBack, static_cast<int64_t>(options.cachedFrames));
    keepFromPts = index.find(std::max<int64_t>(1, cachedFrom))->pts;
    keepToPts = index.find(std::min(last, frame + kStepsAhead))->pts;
    clearFfmpegError();
    for (int tries = 0; key && tries < kMaxTries; ++tries) {
        if (!canContinueTo(*target, *key) && !start(*key, result.reason)) {
            return result;
        }
        input->setDeadline(std::chrono::steady_clock::now() + options.limits.timeBudget);
        bool past = false;
        const AVFrame* picture = decodeTo(*target, result.reason, past);
        if (picture != nullptr) {
            if (rgbOf(*picture, rgb, result.reason, options.arithmetic)) {
                result.picture = std::move(rgb);
                result.pts = ptsOf(*picture);
            }
            return result;
        }
        if (!past) {
            return result;
        }
        // The first picture out was already later: start a keyframe further back.
        const int64_t before = index.find(*key)->decodeOrder - 1;
        key.reset();
        for (int64_t d = before; d >= 1 && !key; --d) {
            const int64_t n = index.byDecodeOrder[static_cast<size_t>(d - 1)];
            if (index.find(n)->keyframe) {
                key = n;
            }
        }
        sessionKey.reset();
    }
    result.reason = "no keyframe before this frame gives its picture";
    return result;
}

}  // namespace nvr::video
