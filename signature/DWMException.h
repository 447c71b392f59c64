#pragma once

#include <cstdint>
#include <string>

#include "container/MkvErrors.h"

// Codes of the signature layer. A mismatching signature is Failed, a result;
// all others are thrown inside a DWMException.
enum class DWMErrorCode : int32_t {
    NoError = 0,
    Failed = -1,
    InvalidArguments = -2,
    OutOfMemory = -3,  // in the table for completeness; nothing raises it
    SslError = -4,
    NotReady = -5,
};

// Fixed text of a code; "unknown error" for anything outside the table.
const char* dwmErrorName(DWMErrorCode code);

// The exception of the signature layer: one of the core's family, so a
// catch of MkvException sees it too, with its own code. The walk still
// wraps it, to name where its text comes from.
class DWMException : public nvr::MkvException {
  public:
    // what() is `message`, or the code's text when there is none.
    explicit DWMException(DWMErrorCode code, std::string message = {});

    DWMErrorCode code() const noexcept { return errorCode; }

  private:
    DWMErrorCode errorCode;
};
