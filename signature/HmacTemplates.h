#pragma once

#include <openssl/types.h>

#include "signature/DigestType.h"

// An HMAC context already bound to the digest of `type`, for duplicating;
// null for a selector outside 1..4. Fetching the algorithm and setting its
// digest costs more than hashing a small cluster, so it is done once per
// process; the templates are never changed afterwards, so threads may
// duplicate them at the same time.
const EVP_MAC_CTX* hmacTemplate(DigestType type);
