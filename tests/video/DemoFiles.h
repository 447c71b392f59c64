#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "signature/RecordingEvidence.h"
#include "support/TestRecorder.h"
#include "video/FrameDecoder.h"

// The demo recordings, written once per test program into a temporary folder.
class DemoFiles {
  public:
    static const DemoFiles& get();
    const recorder::Recording& operator[](const std::string& name) const {
        return written.at(name);
    }

    DemoFiles(const DemoFiles&) = delete;
    DemoFiles& operator=(const DemoFiles&) = delete;

  private:
    DemoFiles();
    ~DemoFiles();
    std::filesystem::path dir;
    std::map<std::string, recorder::Recording> written;
};

// The file's head and one cluster of it (chain order as written).
nvr::video::ByteRange headOf(const recorder::Recording& recording);
nvr::video::ByteRange clusterOf(const recorder::Recording& recording, size_t index);

// Evidence of any shape over a real file, for choices the demo files do not
// make: every cluster verified but those from `failFirst` to `failLast`
// (indices in the file), which mismatch.
RecordingEvidence evidenceOf(const recorder::Recording& recording, int failFirst, int failLast);
