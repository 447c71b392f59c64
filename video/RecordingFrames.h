#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "signature/FrameIndex.h"
#include "signature/RecordingEvidence.h"
#include "video/FrameCommands.h"

// A recording opened for its frames, as a player needs it: verified again
// with its cluster map, so that every frame's standing is of the very bytes
// it decodes, indexed, and decoded frame by frame. Slow to open and driven
// by one thread (a player's worker); in a build without FFmpeg it opens to
// the reason there are no frames.
class RecordingFrames {
  public:
    struct Image {
        int width = 0;
        int height = 0;
        std::vector<uint8_t> rgb;  // RGB24, rows top to bottom
        std::string reason;        // why there is none
    };

    // `cancel`, when set, stops the examination early (error() then says so).
    explicit RecordingFrames(const std::string& path, bool fileHash = true,
                             const std::atomic<bool>* cancel = nullptr);
    ~RecordingFrames();
    RecordingFrames(const RecordingFrames&) = delete;
    RecordingFrames& operator=(const RecordingFrames&) = delete;

    std::shared_ptr<const RecordingEvidence> evidence() const { return examined; }
    std::shared_ptr<const nvr::FrameIndex> index() const { return frames; }
    // Why the index stops early or is empty; empty when whole.
    const std::string& error() const { return frames->error; }

    // The picture of frame `frame` (from 1), converted fast for playback.
    Image picture(int64_t frame);
    // The frame as a lossless PNG with its record, as telvar-verify --still
    // writes it.
    StillFiles still(int64_t frame);

  private:
    struct Decoding;
    std::string path;
    std::shared_ptr<const RecordingEvidence> examined;
    std::shared_ptr<const nvr::FrameIndex> frames;
    std::unique_ptr<Decoding> decoding;
};
