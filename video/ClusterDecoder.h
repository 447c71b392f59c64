#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "video/FfmpegPtr.h"
#include "video/FrameDecoder.h"
#include "video/MatroskaInput.h"

// Demuxes the spliced head and clusters with the Matroska demuxer only and
// decodes the first video track from its first keyframe on, within the
// limits: packets read, time, picture size. Packets whose blocks lie in a
// hidden range of the file are dropped unseen.
namespace nvr::video {

class ClusterDecoder {
  public:
    ClusterDecoder(const ByteSource& source, ByteRange head, ByteRange body,
                   const DecodeLimits& limits, std::vector<ByteRange> hidden = {});
    ClusterDecoder(const ClusterDecoder&) = delete;
    ClusterDecoder& operator=(const ClusterDecoder&) = delete;

    // False with failure() saying why.
    bool open();
    // The next picture, or nullptr at the end of the bytes or on a failure
    // (then failure() is set). Valid until the next call.
    const AVFrame* next();
    const std::string& failure() const { return why; }
    // Why the last packet that did not decode failed; decoding went on past it.
    const std::string& packetError() const { return lastError; }
    bool keyframeSeen() const { return keySeen; }
    std::optional<double> secondsOf(const AVFrame& frame) const;

  private:
    bool openDemuxer();
    bool openCodec();
    bool feed();
    bool fail(std::string reason);
    bool hiddenAt(int64_t streamPosition) const;
    bool pastDeadline() const { return input.pastDeadline(); }

    const DecodeLimits& limits;
    std::vector<ByteRange> hidden;
    MatroskaInput input;
    CodecPtr codec;
    PacketPtr packet;
    FramePtr frame;
    int packets = 0;
    bool keySeen = false;
    bool draining = false;
    std::string lastError;  // of a packet that did not decode; decoding went on
    std::string why;
};

}  // namespace nvr::video
