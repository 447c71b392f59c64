#include "signature/SslError.h"

#include <openssl/err.h>

#include "signature/DWMException.h"

void requireSsl(bool ok) {
    if (ok) {
        return;
    }
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    ERR_clear_error();
    throw DWMException(DWMErrorCode::SslError, text);
}
