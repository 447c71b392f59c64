#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "video/FfmpegPtr.h"

// A decoded picture as full-range RGB, with the conversion that made it
// written down: the same YUV samples give other pixels under another
// matrix or range, so a still names the ones used.
namespace nvr::video {

struct ColourConversion {
    std::string pixelFormat;  // as decoded, e.g. "yuv420p"
    std::string range;        // of the decoded samples: "limited" or "full"
    std::string matrix;       // "bt709", "bt601", "smpte240m", "bt2020"
    // How the samples were turned into RGB: "exact" (bit-exact arithmetic,
    // the same pixels on every machine with this FFmpeg) or "fast".
    std::string arithmetic;
    // The stream stated them; false where they were assumed (see rgbOf).
    bool rangeStated = false;
    bool matrixStated = false;
};

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // RGB24, rows top to bottom, 3 × width bytes each
    ColourConversion conversion;
    bool damaged = false;  // the decoder reported errors in it
};

// Exact for a still whose pixel hash must be reproduced; fast for a player.
enum class Arithmetic : uint8_t { Fast, Exact };

// `frame` at its own size as full-range RGB24. A range or matrix the stream
// leaves unstated is taken as most cameras write it: limited range, BT.709
// from 720 lines up and BT.601 below. False with `why` set when it cannot be.
bool rgbOf(const AVFrame& frame, RgbPicture& out, std::string& why,
           Arithmetic arithmetic = Arithmetic::Fast);

// The picture as a lossless PNG, by FFmpeg's own encoder.
bool pngOf(const RgbPicture& picture, std::vector<uint8_t>& png, std::string& why);

}  // namespace nvr::video
