#include "container/MkvErrors.h"

#include <utility>

namespace nvr {

namespace {

// Longest text kept: what a 1024-byte buffer held, so messages stay as
// they always were.
constexpr size_t kMaxMessage = 1023;

}  // namespace

const char* mkvErrorName(MkvErrorCode code) {
    switch (code) {
        case MkvErrorCode::None:
            return "none";
        case MkvErrorCode::Fail:
            return "fail";
        case MkvErrorCode::BadEbmlId:
            return "bad ebml id";
        case MkvErrorCode::BadEbmlDataSize:
            return "bad ebml datasize";
        case MkvErrorCode::OutOfRange:
            return "out of range";
        case MkvErrorCode::Io:
            return "I/O error";
        case MkvErrorCode::Invalid:
            return "invalid";
        case MkvErrorCode::NotValidFile:
            return "not an valid file";
        case MkvErrorCode::NoReader:
            return "no reader";
        case MkvErrorCode::InvalidElement:
            return "invalid mkv element";
        case MkvErrorCode::NotExist:
            return "does not exists";
        case MkvErrorCode::Other:
            return "other";
    }
    return "unknown";
}

MkvException::MkvException(MkvErrorCode code) : errorCode(code), text(mkvErrorName(code)) {}

MkvException::MkvException(MkvErrorCode code, int64_t position)
    : errorCode(code), at(position), text(mkvErrorName(code)) {
    text += " @ ";
    text += std::to_string(position);
}

MkvException::MkvException(MkvErrorCode code, std::string message)
    : errorCode(code), text(std::move(message)) {
    if (text.size() > kMaxMessage) {
        text.resize(kMaxMessage);
    }
}

}  // namespace nvr
