#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "video/FfmpegPtr.h"
#include "video/FrameDecoder.h"
#include "video/SpliceStream.h"

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
    bool sizeAllowed(int width, int height) const;
    bool hiddenAt(int64_t streamPosition) const;
    bool pastDeadline() const { return std::chrono::steady_clock::now() > deadline; }

    static int readPacket(void* opaque, uint8_t* buffer, int size);
    static int interrupted(void* opaque);

    const DecodeLimits& limits;
    ByteRange headPart;  // as the stream reads them, to map positions back to the file
    ByteRange bodyPart;
    std::vector<ByteRange> hidden;
    SpliceStream stream;
    std::chrono::steady_clock::time_point deadline;
    // Declared before the format context, which reads through it: destroyed after.
    IoPtr io;
    FormatPtr format;
    CodecPtr codec;
    PacketPtr packet;
    FramePtr frame;
    int streamIndex = -1;
    int packets = 0;
    bool keySeen = false;
    bool draining = false;
    std::string lastError;  // of a packet that did not decode; decoding went on
    std::string why;
};

}  // namespace nvr::video
