#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "signature/KeyStore.h"

namespace nvr {

// The key store this run verifies with, and the validation time: chosen
// once by the shell (the command line's --keys and --validation-time, the
// window's settings), read by every verification that names none of its
// own and by every report, which names the store's hash.
struct KeysInUse {
    std::shared_ptr<const KeyStore> store;  // null: the built-in keys only
    std::optional<int64_t> validationTime;  // seconds since 1970 (UTC); none: the clock
    std::string validationTimeText;         // as given, "YYYY-MM-DDThh:mm:ssZ"
};

void setKeysInUse(KeysInUse keys);
KeysInUse keysInUse();

}  // namespace nvr
