#include "signature/DWMException.h"

#include <utility>

const char* dwmErrorName(int32_t code) {
    switch (code) {
        case DWM_NO_ERROR:
            return "no error";
        case DWM_FAILED:
            return "operation has failed";
        case DWM_INVALID_ARGUMENTS:
            return "invalid arguments";
        case DWM_OUT_OF_MEMORY:
            return "out of memory";
        case DWM_SSL_ERROR:
            return "ssl error";
        case DWM_NOT_READY:
            return "not ready";
        default:
            return "unknown error";
    }
}

DWMException::DWMException(int32_t code, const char* message_)
    : errorCode(code), message(message_ != nullptr ? message_ : "") {}

DWMException::DWMException(int32_t code, std::string message_)
    : errorCode(code), message(std::move(message_)) {}

const char* DWMException::what() const noexcept {
    return message.empty() ? dwmErrorName(errorCode) : message.c_str();
}
