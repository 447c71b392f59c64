#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "signature/RecordingEvidence.h"

// Takes a file's identity for the case file: size, modification time and
// the SHA-256 of every byte, hashed on a thread of its own while the walk
// runs, so the hash costs no time where there is a second core, or by
// finish() on the caller's thread where every core has a file already.
class FileHasher {
  public:
    enum class Where { Beside, InFinish };
    // Starts at once when `where` is Beside. `cancel` (may be null) stops
    // the hashing early; the identity then has no sha256 and says why.
    FileHasher(const std::string& path, const std::atomic<bool>* cancel,
               Where where = Where::Beside);
    FileHasher(const FileHasher&) = delete;
    FileHasher& operator=(const FileHasher&) = delete;
    ~FileHasher();

    // Waits for the hash and returns the identity. Call once.
    FileIdentity finish();

  private:
    struct State;
    std::unique_ptr<State> state;
};
