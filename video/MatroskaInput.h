#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "video/FfmpegPtr.h"
#include "video/SpliceStream.h"

// FFmpeg's Matroska demuxer, and only it, over two ranges of a source read
// as one forward-only stream (SpliceStream), stopped at a deadline. Only the
// first video track is read; every other track is discarded unseen.
namespace nvr::video {

class MatroskaInput {
  public:
    MatroskaInput(const ByteSource& source, ByteRange head, ByteRange body,
                  std::chrono::steady_clock::time_point deadline);
    MatroskaInput(const MatroskaInput&) = delete;
    MatroskaInput& operator=(const MatroskaInput&) = delete;

    // False with `why` set when the tracks cannot be read or none is video.
    bool open(std::string& why);
    AVFormatContext* context() const { return format.get(); }
    int videoStream() const { return streamIndex; }
    const AVStream& video() const { return *format->streams[streamIndex]; }
    // A packet's position in the stream as a file offset; -1 when unknown.
    int64_t fileOffset(int64_t streamPosition) const;
    bool pastDeadline() const { return std::chrono::steady_clock::now() > deadline; }
    // A reader kept open across requests gives each its own time.
    void setDeadline(std::chrono::steady_clock::time_point until) { deadline = until; }

  private:
    static int readPacket(void* opaque, uint8_t* buffer, int size);
    static int interrupted(void* opaque);

    ByteRange headPart;  // as the stream reads them, to map positions back to the file
    ByteRange bodyPart;
    SpliceStream stream;
    std::chrono::steady_clock::time_point deadline;
    // Declared before the format context, which reads through it: destroyed after.
    IoPtr io;
    FormatPtr format;
    int streamIndex = -1;
};

// The text FFmpeg gives for `code`, after `text`; with the decoder's last
// logged complaint where `decoderLog`. The demuxer's own complaints name
// offsets in the spliced stream, not in the file, so only the decoder's
// are passed on.
std::string withDetail(std::string text, int code, bool decoderLog = false);

}  // namespace nvr::video
