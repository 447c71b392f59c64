#pragma once

#include <string>

#include "signature/FrameIndex.h"

// The frame index as JSON Lines (telvar-verify --frames), and the record
// written beside an exported still: what the picture is, where it came
// from, how far it is proven and how it was made. One description of a
// frame serves both.

// One frame as a JSON object on one line, without the line break.
std::string frameJsonLine(const nvr::FrameIndex& index, const nvr::FrameEntry& entry);

struct StillRecord {
    std::string sourcePath;    // as given, bytes of the file system
    std::string sourceSha256;  // of the whole file; empty when not taken
    ProofKey proofKey = ProofKey::None;
    std::string decoder;  // FFmpeg's library versions
    std::string pixelFormat;
    std::string range;  // "limited" or "full"
    std::string matrix;
    std::string arithmetic;  // "exact": the same pixels on every machine with these versions
    bool rangeStated = false;
    bool matrixStated = false;
    int width = 0;
    int height = 0;
    bool damaged = false;
    std::string pngSha256;
    std::string rgbSha256;  // of the raw RGB24 rows, top to bottom
};

// The record of a still of `entry`, as indented JSON ending in a line break.
std::string stillRecordJson(const StillRecord& still, const nvr::FrameIndex& index,
                            const nvr::FrameEntry& entry);

// Where the record of a still goes: STILL.png gives STILL.json; any other
// name gets ".json" added.
std::string stillRecordPath(const std::string& png);
