#include "signature/KeysInUse.h"

#include <mutex>
#include <utility>

namespace nvr {

namespace {

std::mutex& guard() {
    static std::mutex mutex;
    return mutex;
}

KeysInUse& current() {
    static KeysInUse keys;
    return keys;
}

}  // namespace

void setKeysInUse(KeysInUse keys) {
    const std::lock_guard<std::mutex> lock(guard());
    current() = std::move(keys);
}

KeysInUse keysInUse() {
    const std::lock_guard<std::mutex> lock(guard());
    return current();
}

}  // namespace nvr
