#pragma once

#include "cli/CliOptions.h"

// --frames: the frame index of one file as JSON Lines on standard output.
// Exit status 0 when every frame was indexed, 1 when the index stops early
// or there is none (the reason on standard error).
int printFrames(const CliOptions& options);

// --still N --out STILL.png: the PNG and, beside it, STILL.json. Neither
// file may exist yet. Exit status 0 written, 1 no picture of that frame,
// 3 a file could not be written.
int writeStill(const CliOptions& options);
