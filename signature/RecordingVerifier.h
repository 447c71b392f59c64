#pragma once

#include <atomic>
#include <string>

#include "signature/SignatureWalk.h"

// The verdict on one recording file: open, parse, walk. Every shell (the
// window's worker, the command-line verifier) goes through verifyRecording,
// so the verdict logic exists once.
struct RecordingVerdict {
    // -1 not verified; 0 success; 1 mismatch; 2 unsigned; 3 error (errorText).
    int code = -1;
    std::string errorText;  // the exception's text when code is 3
    std::string detail;     // why the walk did not verify and where (codes 1 and 2)
    // The recorder tag's texts, byte for byte; filled only when code is 0.
    std::string startTime;
    std::string endTime;
    std::string serialNumber;
};

enum RecordingCode : int {
    RECORDING_NOT_VERIFIED = -1,
    RECORDING_OK = 0,
    RECORDING_MISMATCH = 1,
    RECORDING_UNSIGNED = 2,
    RECORDING_ERROR = 3,
};

// Never throws: every exception ends as code 3 with its text ("unknown
// error" when it has none). `path` is in the local 8-bit encoding. With
// `threads` above 1 the clusters are checked on that many threads, with the
// same verdict, texts and progress as on one.
RecordingVerdict verifyRecording(const std::string& path, ProgressCallback progress = nullptr,
                                 void* context = nullptr, const std::atomic<bool>* cancel = nullptr,
                                 int threads = 1);
