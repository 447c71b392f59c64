#pragma once

#include <string>

namespace nvr::video {

// Opens FFmpeg's libraries, once per process; later calls only report how
// that went. False, with the reason in `why`, when any library or function
// is missing. What else there is of them is in FfmpegLibrary.h.
bool loadFfmpeg(std::string& why);

}  // namespace nvr::video
