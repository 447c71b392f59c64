#pragma once

#include <string>
#include <vector>

#include "video/FfmpegPtr.h"
#include "video/FrameDecoder.h"

namespace nvr::video {

// An RGB24 frame as PNG, by FFmpeg's own encoder: lossless.
bool encodePng(const AVFrame& rgb, std::vector<uint8_t>& png, std::string& why);

// `frame` scaled to at most `width` pixels wide, aspect kept, as RGB PNG
// made with FFmpeg's own encoder. False with `why` set when it cannot be.
bool makeThumbnail(const AVFrame& frame, int width, Picture& out, std::string& why);

}  // namespace nvr::video
