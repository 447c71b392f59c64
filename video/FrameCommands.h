#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "report/FrameRecords.h"  // stillRecordPath

// The frame index and stills of one recording for the command line, from
// the video layer where it is built, otherwise the reason there are none.
// Each verifies the file first: standings come from its evidence.

// Every frame as a JSON line on `out`. Empty when the index is whole,
// otherwise why it stops early or is missing (the lines read so far are
// written all the same).
std::string writeFrameLines(const std::string& path, std::ostream& out);

struct StillFiles {
    std::vector<uint8_t> png;
    std::string record;  // JSON
    std::string error;   // why there is no still
    std::string pngSha256;
    std::string rgbSha256;  // of the raw RGB24 rows
};

// Frame `frame` (from 1) as a lossless PNG and its record.
StillFiles stillFiles(const std::string& path, int64_t frame);

// Writes the PNG at `pngPath` and its record at stillRecordPath, each as a
// new file: a still never replaces anything, least of all the recording it
// came from. On failure neither is left, and `failed` names the file that
// could not be written, `why` says why.
bool writeStillFiles(const StillFiles& still, const std::string& pngPath, std::string& failed,
                     std::string& why);
