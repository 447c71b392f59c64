#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "video/ByteSource.h"

// Pictures out of a recording's clusters, for an investigator to look at.
// Decoding never decides anything about authenticity: whatever the bytes,
// the answer is a picture or the plain reason there is none. The decoder
// sees the file's head (EBML header up to the first cluster) and then only
// the clusters asked for, and stops at every limit below.
namespace nvr::video {

struct DecodeLimits {
    int thumbnailWidth = 160;  // pictures are scaled down to this width, never up
    int maxDimension = 8192;   // a picture wider or higher is refused
    int64_t maxPixels = 40'000'000;
    int64_t maxHeadBytes = 16 << 20;
    int64_t maxBodyBytes = 64 << 20;  // a packet may be as large
    int maxPackets = 5000;            // read from the file, of any track
    std::chrono::milliseconds timeBudget{10'000};
};

// Why decoding stopped at the time budget.
inline constexpr const char* kDecodeTooLong = "decoding took longer than the time allowed";

struct Picture {
    std::vector<uint8_t> png;  // the scaled picture, RGB
    int width = 0;             // of the PNG
    int height = 0;
    int sourceWidth = 0;  // as decoded
    int sourceHeight = 0;
    std::optional<double> seconds;  // its time in the track, stated by the file
    bool damaged = false;           // the decoder reported errors in it
};

struct PictureResult {
    std::optional<Picture> picture;
    std::string reason;  // why there is no picture; empty when there is one
};

// The first picture decoded from `body` (the first keyframe and what
// follows it), with `head` read first for the tracks. Frames whose blocks
// lie in one of `hidden` (file offsets) are never decoded: frames that no
// signature covers must not stand for their cluster.
PictureResult firstPicture(const ByteSource& source, ByteRange head, ByteRange body,
                           const DecodeLimits& limits = {},
                           const std::vector<ByteRange>& hidden = {});

struct DecodeSummary {
    int64_t pictures = 0;
    int width = 0;  // of the first picture
    int height = 0;
    std::string failure;  // why decoding stopped early; empty when it reached the end
};

// Decodes every picture of `body` without keeping any.
DecodeSummary countPictures(const ByteSource& source, ByteRange head, ByteRange body,
                            const DecodeLimits& limits = {});

}  // namespace nvr::video
