#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Clips made here with FFmpeg's H.264 encoder, for what the checked-in
// clips lack: B-frames (packets out of presentation order) and clusters
// that do not start on a keyframe.
struct ClipShape {
    int width = 320;
    int height = 240;
    int frames = 75;
    int fps = 25;
    int keyInterval = 25;     // frames
    int bFrames = 2;
    int clusterMillis = 480;  // the muxer's cluster time limit
};

// A Matroska file of moving pictures at `path`; throws std::runtime_error.
void writeEncodedClip(const std::string& path, const ClipShape& shape);

// A packet as FFmpeg's demuxer reads the file, in file order.
struct DemuxerPacket {
    int64_t pts = 0;
    int64_t pos = -1;
    int64_t size = 0;
    bool keyframe = false;
};
std::vector<DemuxerPacket> demuxedVideo(const std::string& path);

// Every picture of a plain decode of the file by FFmpeg, from its first
// packet to the drained end, by pts: the SHA-256 of its RGB (rgbOf).
std::map<int64_t, std::string> decodedPictures(const std::string& path);
