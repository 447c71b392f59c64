#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "container/RecordingFile.h"
#include "signature/RecordingEvidence.h"

// The bytes of a recording, read at any offset: a file, or memory (the fuzz
// target). Decoding reads through one of these, never through a path handed
// to FFmpeg, so a name can never select one of its network protocols.
namespace nvr::video {

// [begin, end) in a source.
struct ByteRange {
    int64_t begin = 0;
    int64_t end = 0;
    int64_t length() const { return end > begin ? end - begin : 0; }
};

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual int64_t size() const = 0;
    // Up to `length` bytes at `offset` into `out`: the count read, 0 at or
    // past the end, -1 on a read error.
    virtual int64_t read(int64_t offset, uint8_t* out, size_t length) const = 0;
};

class FileSource : public ByteSource {
  public:
    // Opens the path; anything but a regular file is refused unopened.
    explicit FileSource(const std::string& path);
    // Reads a file a verification already holds open.
    explicit FileSource(std::shared_ptr<const RecordingFile> file);
    // The file the evidence was verified from when it is still held open
    // (ExamineOptions::keepFile), else its path opened anew.
    static FileSource of(const RecordingEvidence& evidence);

    bool isOpen() const { return file != nullptr; }
    const std::string& error() const { return openError; }  // why it is not open
    int64_t size() const override { return file ? file->size() : 0; }
    int64_t read(int64_t offset, uint8_t* out, size_t length) const override;
    // Open, and its bytes still those of the verification that opened it.
    bool unchanged() const { return file != nullptr && file->unchanged(); }

  private:
    std::shared_ptr<const RecordingFile> file;
    std::string openError;
};

// Borrows the bytes; they must outlive the source.
class MemorySource : public ByteSource {
  public:
    MemorySource(const uint8_t* bytes, size_t size) : data(bytes), length(size) {}
    int64_t size() const override { return static_cast<int64_t>(length); }
    int64_t read(int64_t offset, uint8_t* out, size_t count) const override;

  private:
    const uint8_t* data;
    size_t length;
};

}  // namespace nvr::video
