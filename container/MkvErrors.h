#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace nvr {

enum MkvErrorCode : int32_t {
    MKV_ERR_NONE = 0,
    MKV_ERR_FAIL = 1,
    MKV_ERR_BAD_EBML_ID = 2,
    MKV_ERR_BAD_EBML_DATASIZE = 3,
    MKV_ERR_OUT_OF_RANGE = 4,
    MKV_ERR_IO = 5,
    MKV_ERR_INVALID = 6,
    MKV_ERR_NOT_VALID_FILE = 7,
    MKV_ERR_NO_READER = 8,
    MKV_ERR_INVALID_ELEMENT = 9,
    MKV_ERR_NOT_EXIST = 10,
    MKV_ERR_OTHER = 11,
};

// Fixed text of a code; "unknown" for anything outside the table.
const char* mkvErrorName(int32_t code);

// The one exception of the container reader and the signature walk.
struct MkvException : std::exception {
    int32_t code = MKV_ERR_NONE;
    int64_t position = -1;
    std::string message;

    // Message is the code's text, plus " @ <position>" unless position is -1.
    MkvException(int32_t code, int64_t position);
    // A literal 0 is a position, not a null format.
    MkvException(int32_t errorCode, int at) : MkvException(errorCode, static_cast<int64_t>(at)) {}

    // printf-style message, cut to 1023 characters; position stays -1.
    MkvException(int32_t code, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;

    const char* what() const noexcept override {
        return message.c_str();
    }
};

}  // namespace nvr
