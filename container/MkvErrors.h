#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace nvr {

// What went wrong in the reader or the walk. The numbers are those of the
// recorder's own table and stay stable.
enum class MkvErrorCode : int32_t {
    None = 0,  // success of the header decoders; never thrown
    Fail = 1,
    BadEbmlId = 2,
    BadEbmlDataSize = 3,
    OutOfRange = 4,
    Io = 5,
    Invalid = 6,
    NotValidFile = 7,
    NoReader = 8,
    InvalidElement = 9,
    NotExist = 10,
    Other = 11,
};

// Fixed text of a code; "unknown" for anything outside the table.
const char* mkvErrorName(MkvErrorCode code);

// The exception of the core: the reader throws it, the walk turns whatever
// the signature layer throws into it, and the verdict catches it once per
// file. Thrown by value, caught by reference.
class MkvException : public std::exception {
  public:
    // The code's text alone.
    explicit MkvException(MkvErrorCode code);
    // The code's text, " @ " and the file offset the error refers to.
    MkvException(MkvErrorCode code, int64_t position);
    // A text of its own, cut to 1023 bytes; no position.
    MkvException(MkvErrorCode code, std::string message);

    MkvErrorCode code() const noexcept { return errorCode; }
    // The file offset the error refers to, when it refers to one.
    std::optional<int64_t> position() const noexcept { return at; }
    const std::string& message() const noexcept { return text; }
    const char* what() const noexcept override { return text.c_str(); }

  private:
    MkvErrorCode errorCode;
    std::optional<int64_t> at;
    std::string text;
};

}  // namespace nvr
