#pragma once

#include <array>
#include <cstdint>

#include "video/ByteSource.h"

// Two ranges of a source read one after the other as one forward-only
// stream: the file's head (EBML header up to its first cluster), then the
// clusters to decode. The demuxer meets exactly those bytes and nothing
// beyond them, whatever the file's seek entries or cues claim.
namespace nvr::video {

// The part of `range` that lies in a source of `size` bytes.
ByteRange clampRange(ByteRange range, int64_t size);

class SpliceStream {
  public:
    SpliceStream(const ByteSource& source, ByteRange head, ByteRange body);

    // As FFmpeg's read callback: bytes read, AVERROR_EOF at the end,
    // AVERROR(EIO) when the source fails.
    int read(uint8_t* out, int size);

  private:
    const ByteSource& source;
    std::array<ByteRange, 2> parts;
    size_t part = 0;
    int64_t at = 0;  // next offset in the source
};

}  // namespace nvr::video
