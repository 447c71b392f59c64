#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "signature/SignatureWalk.h"

// The verdict on a file. Its number is what the outputs print (JSON's
// "code", the case file, the exit status); verdictNumber gives it there and
// nowhere else.
enum class VerdictCode : int {
    NotVerified = -1,
    Success = 0,
    Mismatch = 1,  // the walk's Mismatch
    Unsigned = 2,  // the walk's Unsigned
    Error = 3,     // an exception; errorText says which
};

constexpr int verdictNumber(VerdictCode code) {
    return static_cast<int>(code);
}

// The verdict a stored number stands for (a case file, a JSON report read
// back); none for a number no verdict has.
constexpr std::optional<VerdictCode> verdictFromNumber(int64_t number) {
    if (number < verdictNumber(VerdictCode::NotVerified) ||
        number > verdictNumber(VerdictCode::Error)) {
        return std::nullopt;
    }
    return static_cast<VerdictCode>(number);
}

// The verdict a finished walk gives.
constexpr VerdictCode verdictOf(VerifyWalkResult result) {
    switch (result) {
        case VerifyWalkResult::Ok:
            return VerdictCode::Success;
        case VerifyWalkResult::Mismatch:
            return VerdictCode::Mismatch;
        case VerifyWalkResult::Unsigned:
            return VerdictCode::Unsigned;
    }
    return VerdictCode::Error;
}

// The verdict on one recording file: open, parse, walk. Every shell (the
// window's worker, the command-line verifier) goes through verifyRecording,
// so the verdict logic exists once.
struct RecordingVerdict {
    VerdictCode code = VerdictCode::NotVerified;
    std::string errorText;  // the exception's text when code is Error
    std::string detail;     // why the walk did not verify and where (Mismatch, Unsigned)
    // The recorder tag's texts, byte for byte; filled only on Success.
    std::string startTime;
    std::string endTime;
    std::string serialNumber;
};

// Never throws: every exception ends as Error with its text ("unknown
// error" when it has none). `path` is in the local 8-bit encoding. With
// `threads` above 1 the clusters are checked on that many threads, with the
// same verdict, texts and progress as on one.
RecordingVerdict verifyRecording(const std::string& path, ProgressCallback progress = nullptr,
                                 void* context = nullptr, const std::atomic<bool>* cancel = nullptr,
                                 int threads = 1);
