#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/FrameRecords.h"
#include "signature/FrameIndex.h"
#include "video/ByteSource.h"

// One frame as a lossless PNG, with the decoding half of its record: how
// it was decoded and converted, and the hashes of the PNG and its pixels.
namespace nvr::video {

struct Still {
    std::vector<uint8_t> png;
    StillRecord record;  // decoder, conversion and hashes; the caller adds the source
    std::string reason;  // why there is no PNG
};

Still exportStill(const ByteSource& source, const FrameIndex& index, ByteRange head,
                  int64_t frame);

// "libavcodec 59.37.100, libavformat ..., libswscale ..., libavutil ...",
// as loaded at run time.
std::string ffmpegVersions();

}  // namespace nvr::video
