#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "container/RecordingFile.h"
#include "signature/RecordingEvidence.h"

// Takes a file's identity for the case file: size, modification time and
// the SHA-256 of every byte, hashed on a thread of its own while the walk
// runs, so the hash costs no time where there is a second core. It reads
// the walk's own open file, so the hash is of the bytes the verdict is on.
class FileHasher {
  public:
    enum class Where {
        Beside,
        // Every core has a file already: a file of at most a megabyte is
        // hashed by finish() on the caller's thread, as a thread of its own
        // would only cost its start. A larger one still goes beside, so the
        // last files of a batch do not leave a core idle.
        InFinishIfSmall,
    };
    // Starts at once unless the file is hashed by finish(). `cancel` (may
    // be null) stops the hashing early; the identity then has no sha256 and
    // says why.
    FileHasher(std::shared_ptr<const nvr::RecordingFile> file, const std::atomic<bool>* cancel,
               Where where = Where::Beside);
    // Opens the file itself; a path that does not open gives an identity
    // with the reason.
    FileHasher(const std::string& path, const std::atomic<bool>* cancel,
               Where where = Where::Beside);
    FileHasher(const FileHasher&) = delete;
    FileHasher& operator=(const FileHasher&) = delete;
    ~FileHasher();

    // Waits for the hash and returns the identity. Call once.
    FileIdentity finish();

  private:
    FileHasher(const std::string& path, nvr::RecordingFile::Opened opened,
               const std::atomic<bool>* cancel, Where where);

    struct State;
    std::unique_ptr<State> state;
};
