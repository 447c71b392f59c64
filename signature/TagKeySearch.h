#pragma once

#include <openssl/types.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "container/MkvPayload.h"

namespace nvr {

// The index of the first of `keys` (parsed RSA public keys; a null one
// never matches) under which `signature` is an RSASSA-PKCS1-v1_5 signature
// with digest selector `digestType` over `message`, or none. The message is
// hashed once for all the keys, so trying a hundred keys costs a hundred
// public-key operations and nothing more. Never throws.
std::optional<size_t> firstRsaKeyOver(const ByteBuffer& message, uint32_t digestType,
                                      const ByteBuffer& signature,
                                      const std::vector<EVP_PKEY*>& keys);

}  // namespace nvr
