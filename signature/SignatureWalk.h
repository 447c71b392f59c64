#pragma once

#include <cstdint>

// Results of the signature walk over one recording (container/MkvParser.h
// declares it opaquely, with this underlying type).
enum class VerifyWalkResult : int {
    Ok = 0,        // tag and every cluster verified, chain ended on the tag's value
    Mismatch = 1,  // a signature did not match, or the chain ended elsewhere
    Unsigned = 2,  // no recorder tag, or no usable signature somewhere
};

// Reports the walk's progress as a fraction below 1.0; context is handed
// back unchanged. May be null.
using ProgressCallback = void (*)(double fraction, void* context);

// Signed bytes are streamed in pieces of at most this size.
constexpr int32_t kReadChunkSize = 262144;
// Failed reads tolerated within one signed range before giving up.
constexpr int kReadRetries = 5;
