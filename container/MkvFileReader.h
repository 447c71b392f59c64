#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "container/RecordingFile.h"
#include "container/iReader.h"

namespace nvr {

// Serves the bytes of one file, opened here or shared with the other
// readers of one verification (each with a window of its own). Offsets
// are 64-bit throughout, so files of any size are served in full.
//
// Small reads (element headers, integers, short payloads) are served from a
// read window of kWindowSize bytes, refilled with one large read on a miss:
// walking a file of many small elements then costs a system call per
// window, not one or two per field. Reads of a window or more go straight
// to the file.
class MkvFileReader : public iReader {
  public:
    MkvFileReader() = default;
    MkvFileReader(const MkvFileReader&) = delete;
    MkvFileReader& operator=(const MkvFileReader&) = delete;
    ~MkvFileReader() override = default;

    // Ok, or InvalidArgument (null path), AlreadyOpen, CannotOpen (also
    // for anything but a regular file).
    ReaderStatus open(const char* path);
    // Reads a file already opened; Ok, InvalidArgument (null) or AlreadyOpen.
    ReaderStatus openShared(std::shared_ptr<const RecordingFile> shared);
    void close();
    int32_t read(int64_t offset, int32_t length, uint8_t* buffer) override;
    int64_t size() override;

    bool isOpen = false;
    int64_t fileSize = 0;

    static constexpr int32_t kWindowSize = 64 * 1024;

  private:
    // Reads exactly `length` bytes at `offset` from the file; false on failure.
    bool readFile(int64_t offset, int32_t length, uint8_t* buffer);

    std::shared_ptr<const RecordingFile> file;
    std::vector<uint8_t> window;  // allocated on the first small read
    int64_t windowStart = 0;
    int64_t windowLength = 0;  // 0: empty
};

}  // namespace nvr
