#pragma once

#include <cstdint>
#include <string>

// Writes a signed recording whose one cluster carries `extraBytes` more
// bytes inside its signed range, left as a hole in the file: the walk has
// to read all of them, the disk stores almost none. It verifies as a
// mismatch once read; tests use it to catch the worker mid-file.
void writeLongRecording(const std::string& path, uint64_t extraBytes);
