#pragma once

// Throws DWMException(DWMErrorCode::SslError) unless `ok`, with the text of the oldest
// error OpenSSL queued on this thread. The rest of the queue is dropped, so a
// later failure never reports this one's leftovers. Every OpenSSL result of
// the signature layer is checked here.
void requireSsl(bool ok);
