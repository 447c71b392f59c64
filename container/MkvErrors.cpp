#include "container/MkvErrors.h"

#include <cstdarg>
#include <cstdio>

namespace nvr {

const char* mkvErrorName(int32_t code) {
    switch (code) {
        case MKV_ERR_NONE:
            return "none";
        case MKV_ERR_FAIL:
            return "fail";
        case MKV_ERR_BAD_EBML_ID:
            return "bad ebml id";
        case MKV_ERR_BAD_EBML_DATASIZE:
            return "bad ebml datasize";
        case MKV_ERR_OUT_OF_RANGE:
            return "out of range";
        case MKV_ERR_IO:
            return "I/O error";
        case MKV_ERR_INVALID:
            return "invalid";
        case MKV_ERR_NOT_VALID_FILE:
            return "not an valid file";
        case MKV_ERR_NO_READER:
            return "no reader";
        case MKV_ERR_INVALID_ELEMENT:
            return "invalid mkv element";
        case MKV_ERR_NOT_EXIST:
            return "does not exists";
        case MKV_ERR_OTHER:
            return "other";
        default:
            return "unknown";
    }
}

MkvException::MkvException(int32_t code_, int64_t position_)
    : code(code_), position(position_), message(mkvErrorName(code_)) {
    if (position != -1) {
        message += " @ ";
        message += std::to_string(position);
    }
}

MkvException::MkvException(int32_t code_, const char* format, ...) : code(code_), position(-1) {
    char text[1024] = {};
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);  // truncates at 1023 characters
        va_end(args);
    }
    message = text;
}

}  // namespace nvr
