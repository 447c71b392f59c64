#pragma once

#include <string>

#include "video/FfmpegPtr.h"
#include "video/FrameDecoder.h"

namespace nvr::video {

// `frame` scaled to at most `width` pixels wide, aspect kept, as RGB PNG
// made with FFmpeg's own encoder. False with `why` set when it cannot be.
bool makeThumbnail(const AVFrame& frame, int width, Picture& out, std::string& why);

}  // namespace nvr::video
