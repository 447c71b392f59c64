#include "video/FrameDecoder.h"

#include <algorithm>

#include "video/ClusterDecoder.h"
#include "video/Thumbnail.h"

namespace nvr::video {

namespace {

// The ranges' sizes, before anything is read. A cluster cut short by the
// file's end still shows what it holds.
std::string rangeProblem(const ByteSource& source, ByteRange head, ByteRange& body,
                         const DecodeLimits& limits) {
    if (head.begin < 0 || head.end > source.size() || head.length() == 0) {
        return "the file has no header before its clusters";
    }
    body.end = std::min(body.end, source.size());
    if (body.begin < 0 || body.length() == 0) {
        return "the cluster lies outside the file";
    }
    if (head.length() > limits.maxHeadBytes) {
        return "the file's header is larger than this program decodes";
    }
    if (body.length() > limits.maxBodyBytes) {
        return "the cluster is larger than this program decodes";
    }
    const uint8_t clusterId[4] = {0x1F, 0x43, 0xB6, 0x75};
    uint8_t start[4] = {};
    if (source.read(body.begin, start, sizeof start) != sizeof start ||
        !std::equal(start, start + 4, clusterId)) {
        return "no cluster starts at that offset";
    }
    return {};
}

}  // namespace

PictureResult firstPicture(const ByteSource& source, ByteRange head, ByteRange body,
                           const DecodeLimits& limits, const std::vector<ByteRange>& hidden) {
    PictureResult result;
    result.reason = rangeProblem(source, head, body, limits);
    if (!result.reason.empty()) {
        return result;
    }
    ClusterDecoder decoder(source, head, body, limits, hidden);
    const AVFrame* frame = decoder.open() ? decoder.next() : nullptr;
    if (frame == nullptr) {
        if (!decoder.failure().empty()) {
            result.reason = decoder.failure();
        } else if (!decoder.packetError().empty()) {
            result.reason = decoder.packetError();
        } else if (!decoder.keyframeSeen()) {
            result.reason = "the cluster holds no keyframe of the video track";
        } else {
            result.reason = "the cluster's video gives no picture";
        }
        return result;
    }
    Picture picture;
    if (!makeThumbnail(*frame, limits.thumbnailWidth, picture, result.reason)) {
        return result;
    }
    picture.seconds = decoder.secondsOf(*frame);
    result.picture = std::move(picture);
    return result;
}

DecodeSummary countPictures(const ByteSource& source, ByteRange head, ByteRange body,
                            const DecodeLimits& limits) {
    DecodeSummary summary;
    summary.failure = rangeProblem(source, head, body, limits);
    if (!summary.failure.empty()) {
        return summary;
    }
    ClusterDecoder decoder(source, head, body, limits);
    if (decoder.open()) {
        while (const AVFrame* frame = decoder.next()) {
            if (summary.pictures++ == 0) {
                summary.width = frame->width;
                summary.height = frame->height;
            }
        }
    }
    summary.failure = decoder.failure();
    return summary;
}

}  // namespace nvr::video
