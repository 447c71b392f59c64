#pragma once

#include <string>

// FFmpeg writes its complaints about a file to stderr by default; a hostile
// file could fill a terminal or a log with them. They are kept instead: the
// last error of the calling thread, in printable ASCII, goes into the reason
// a picture is missing.
namespace nvr::video {

// Installs the capture once per process; further calls do nothing.
void captureFfmpegLog();

// The last error FFmpeg logged on this thread since the last clear; empty
// when none.
std::string lastFfmpegError();
void clearFfmpegError();

// FFmpeg's text for an error code.
std::string ffmpegErrorText(int code);

}  // namespace nvr::video
