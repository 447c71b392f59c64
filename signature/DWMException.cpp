#include "signature/DWMException.h"

#include <utility>

const char* dwmErrorName(DWMErrorCode code) {
    switch (code) {
        case DWMErrorCode::NoError:
            return "no error";
        case DWMErrorCode::Failed:
            return "operation has failed";
        case DWMErrorCode::InvalidArguments:
            return "invalid arguments";
        case DWMErrorCode::OutOfMemory:
            return "out of memory";
        case DWMErrorCode::SslError:
            return "ssl error";
        case DWMErrorCode::NotReady:
            return "not ready";
    }
    return "unknown error";
}

DWMException::DWMException(DWMErrorCode code, std::string message)
    : MkvException(nvr::MkvErrorCode::Other,
                   message.empty() ? std::string(dwmErrorName(code)) : std::move(message)),
      errorCode(code) {}
