#pragma once

#include <cstdint>
#include <exception>
#include <string>

// Codes of the signature layer. A mismatching signature is DWM_FAILED, a
// result; all others are thrown inside a DWMException.
enum DWMErrorCode : int32_t {
    DWM_NO_ERROR = 0,
    DWM_FAILED = -1,
    DWM_INVALID_ARGUMENTS = -2,
    DWM_OUT_OF_MEMORY = -3,  // in the table for completeness; nothing raises it
    DWM_SSL_ERROR = -4,
    DWM_NOT_READY = -5,
};

// Fixed text of a code; "unknown error" for anything outside the table.
const char* dwmErrorName(int32_t code);

// The one exception of the signature layer, thrown by value.
class DWMException : public std::exception {
  public:
    // A null message is stored as empty.
    explicit DWMException(int32_t code, const char* message = nullptr);
    DWMException(int32_t code, std::string message);

    int32_t code() const noexcept { return errorCode; }
    // The message when there is one, otherwise the code's text.
    const char* what() const noexcept override;

  private:
    int32_t errorCode;
    std::string message;
};
