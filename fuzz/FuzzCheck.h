#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "container/MkvErrors.h"

// A broken invariant is a finding: report it and abort, so the fuzzer keeps
// the input and a replay run fails.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "fuzz check failed: %s at %s:%d\n", #condition, __FILE__, \
                         __LINE__);                                                        \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

namespace fuzz {

// FNV-1a: derives repeatable choices (a cut, a failing read) from the input
// itself, so every finding replays exactly.
inline uint64_t hashOf(const uint8_t* data, size_t size) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < size; ++i) {
        hash = (hash ^ data[i]) * 0x100000001B3ull;
    }
    return hash;
}

// An exception's message must be its code's text, with " @ offset" unless
// it carries no position.
inline bool messageMatches(const nvr::MkvException& e) {
    std::string expected = nvr::mkvErrorName(e.code());
    if (e.position()) {
        expected += " @ " + std::to_string(*e.position());
    }
    return e.message() == expected;
}

}  // namespace fuzz
