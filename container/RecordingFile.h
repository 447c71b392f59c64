#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace nvr {

// What a path names, as far as reading a recording cares.
enum class FileKind { Regular, Directory, Fifo, CharacterDevice, BlockDevice, Socket, Other };

// Who a file is on its disk and what was last done to it. A rewrite, even
// at the same size, moves the change time, which no writer can set back.
struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    int64_t changedSeconds = 0;
    int64_t changedNanoseconds = 0;

    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// One recording opened once for one verification: the parser, the walk's
// threads, the hasher and the pictures all read this one descriptor, so
// the verdict and the hash are taken from the same file, and unchanged()
// tells whether its bytes stayed put meanwhile. Shared by those readers;
// the descriptor closes with the last of them.
class RecordingFile {
  public:
    // Why a path was not opened.
    enum class Refusal { None, CannotOpen, NotRegular, Replaced };
    struct Opened {
        std::shared_ptr<const RecordingFile> file;  // null when refused
        Refusal refusal = Refusal::None;
        FileKind kind = FileKind::Regular;
        int error = 0;  // errno of CannotOpen

        // The verdict's error text: "failed to open file" as ever, or what
        // the path names instead of a file ("not a regular file (a FIFO)").
        std::string verdictText() const;
        // The same for the file's identity, with the system's reason.
        std::string identityText() const;
    };

    // Never blocks: anything but a regular file (a FIFO, a device, a
    // socket, a directory) is refused before it is opened, and the file
    // opened must be the one looked at.
    static Opened open(const std::string& path);

    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;
    ~RecordingFile();

    const std::string& path() const { return filePath; }
    int64_t size() const { return stamp.size; }
    const FileStamp& stampAtOpen() const { return stamp; }

    // Up to `length` bytes at `offset`: the count read, 0 at or past the
    // end, -1 on a read error. Safe on several threads at once.
    int64_t readAt(int64_t offset, uint8_t* out, size_t length) const;
    // Exactly `length` bytes at `offset`, or false.
    bool readExactly(int64_t offset, uint8_t* out, size_t length) const;
    // The file will be read from start to end (a hint; readers may differ).
    void adviseSequential() const;

    // True while the open file and the file at its path are the one opened,
    // with the same size and times: its bytes are those read.
    bool unchanged() const;

  private:
    RecordingFile(int descriptor, std::string path, const FileStamp& stamp);

    int fd;
    std::string filePath;
    FileStamp stamp;
};

// "a FIFO", "a character device", ...; "" for a regular file.
const char* fileKindText(FileKind kind);

}  // namespace nvr
