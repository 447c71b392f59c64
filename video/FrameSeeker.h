#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "signature/FrameIndex.h"
#include "video/FrameDecoder.h"
#include "video/MatroskaInput.h"
#include "video/RgbPicture.h"

// The picture of any frame of the index, exactly: decoding starts at the
// keyframe the index names for it (one keyframe further back when the
// first picture out is already past it), and the picture kept is the one
// whose pts is the frame's. Pictures near the last one asked for stay
// decoded, so stepping either way is quick; memory stays bounded.
// One thread drives a seeker (the player's worker): it is not shared.
namespace nvr::video {

struct SeekOptions {
    DecodeLimits limits;      // picture sizes; timeBudget bounds one request
    size_t cachedFrames = 24;  // decoded pictures kept around the last one asked for
    int64_t cacheBytes = int64_t{160} << 20;  // and at most this many bytes of them
    int threads = 2;          // of the decoder
    Arithmetic arithmetic = Arithmetic::Fast;  // of the conversion to RGB
};

struct FramePicture {
    std::optional<RgbPicture> picture;
    int64_t pts = 0;     // of the picture decoded: always the frame's
    std::string reason;  // why there is none
};

class FrameSeeker {
  public:
    // `source` and `index` must outlive the seeker; `head` is the file's
    // start up to its first cluster (headOf).
    FrameSeeker(const ByteSource& source, const FrameIndex& index, ByteRange head,
                SeekOptions options = {});
    FrameSeeker(const FrameSeeker&) = delete;
    FrameSeeker& operator=(const FrameSeeker&) = delete;

    FramePicture picture(int64_t frame);

    // What the last request cost, for tests and benchmarks.
    struct Cost {
        bool fromCache = false;
        bool newStart = false;  // the demuxer started again at a keyframe
        int packets = 0;        // sent to the decoder
    };
    const Cost& lastCost() const { return cost; }

  private:
    bool start(int64_t keyFrame, std::string& why);
    // Decodes on until `target`'s picture comes out: it, or null with `why`
    // set; `past` when the first picture of a fresh start was already later.
    const AVFrame* decodeTo(const FrameEntry& target, std::string& why, bool& past);
    bool feed(std::string& why);
    void keep(int64_t frame, const AVFrame& decoded, int64_t around);
    std::optional<int64_t> frameAtPts(int64_t pts) const;
    bool canContinueTo(const FrameEntry& target, int64_t startKey) const;

    const ByteSource& source;
    const FrameIndex& index;
    ByteRange head;
    SeekOptions options;
    std::unique_ptr<MatroskaInput> input;
    CodecPtr codec;
    PacketPtr packet;
    FramePtr decoded;
    std::optional<int64_t> sessionKey;       // frame number of the keyframe it started at
    const FrameEntry* startEntry = nullptr;  // that keyframe, until its packet is read
    int64_t fedDecodeOrder = 0;              // of the last packet sent
    std::optional<int64_t> lastOutputPts;
    bool anyOutput = false;
    bool draining = false;
    bool ended = false;
    // Pictures from keepFromPts to keepToPts (a few past the target, for
    // the next steps) are decoded whole; a picture nothing refers to
    // outside them is skipped by the decoder, and the session cannot then
    // go on to the first one skipped past the target.
    int64_t keepFromPts = 0;
    int64_t keepToPts = 0;
    std::optional<int64_t> skippedAhead;
    std::map<int64_t, FramePtr> cache;  // by frame number
    int64_t cachedBytes = 0;
    Cost cost;
};

}  // namespace nvr::video
