#pragma once

#include <cstdint>
#include <limits>

#include "container/MkvErrors.h"

namespace nvr {

// Caps what one pass over a recording (the metadata parse, or the signature
// walk) may read, in proportion to the size of its byte source:
// - element headers: at most one per byte of the source. A sound file reads
//   each header once per pass (a seek entry adds one read of its target),
//   and every element takes at least three bytes, so it needs far fewer.
// - text and binary payload bytes: at most twice the source. Payloads of a
//   sound file do not overlap, so together they are smaller than the file.
// A forged file can make elements overlap so that the same bytes are read
// again and again: seek entries naming many different offsets whose children
// claim the rest of the file, or many small masters each holding a child
// that spans the rest. Each read is legal on its own; together they cost
// time or memory quadratic in the file size. Past the budget the read throws
// MkvErrorCode::OutOfRange at the header of the element being read.
//
// A budget applies to the thread that created it, until it is destroyed;
// without one (tests reading single records) nothing is counted.
class ReadBudget {
  public:
    explicit ReadBudget(int64_t sourceSize)
        : headersLeft(limit(sourceSize, 1)), payloadLeft(limit(sourceSize, 2)), previous(active) {
        active = this;
    }
    ~ReadBudget() { active = previous; }
    ReadBudget(const ReadBudget&) = delete;
    ReadBudget& operator=(const ReadBudget&) = delete;

    // One element header at `headerOffset` is about to be read.
    static void chargeHeader(int64_t headerOffset) {
        if (active == nullptr) {
            return;
        }
        if (active->headersLeft == 0) {
            throw MkvException(MkvErrorCode::OutOfRange, headerOffset);
        }
        --active->headersLeft;
    }

    // A payload of `bytes` bytes of the element at `headerOffset` is about
    // to be copied.
    static void chargePayload(int64_t bytes, int64_t headerOffset) {
        if (active == nullptr) {
            return;
        }
        if (bytes > active->payloadLeft) {
            throw MkvException(MkvErrorCode::OutOfRange, headerOffset);
        }
        active->payloadLeft -= bytes;
    }

  private:
    // `times` the source's size, plus a little so that the smallest files
    // (an empty one included) meet the reader's own errors first.
    static int64_t limit(int64_t sourceSize, int64_t times) {
        constexpr int64_t kSlack = 1024;
        const int64_t size = sourceSize > 0 ? sourceSize : 0;
        if (size > (std::numeric_limits<int64_t>::max() - kSlack) / times) {
            return std::numeric_limits<int64_t>::max();
        }
        return size * times + kSlack;
    }

    int64_t headersLeft;
    int64_t payloadLeft;
    ReadBudget* previous;
    static inline thread_local ReadBudget* active = nullptr;
};

}  // namespace nvr
