#pragma once

#include <string>

#include "video/FfmpegPtr.h"
#include "video/FrameDecoder.h"

namespace nvr::video {

// Whether pictures of this size are within the limits.
bool sizeAllowed(int width, int height, const DecodeLimits& limits);

// A decoder for `stream`, when its codec is one cameras record and its
// pictures are within the limits; null with `why` set otherwise.
CodecPtr openVideoCodec(const AVStream& stream, const DecodeLimits& limits, int threads,
                        std::string& why);

}  // namespace nvr::video
