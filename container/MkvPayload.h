#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "container/MkvElement.h"

namespace nvr {

// Owned payload bytes of a record; copied deeply with it.
using ByteBuffer = std::vector<uint8_t>;

// Payload readers of the records. Integer and float reads give -1 / -1.0 on
// failure; text and binary reads leave a zero-filled buffer. A text or binary
// payload declared to run past the end of the source is refused with
// MkvErrorCode::OutOfRange at the child's header, so a forged size can never make
// us allocate more than the source holds.
uint32_t readU32(const MkvElement& child);
int64_t readI64(const MkvElement& child);
bool readBool(const MkvElement& child);
double readDouble(const MkvElement& child);
// The payload plus one terminating zero byte.
ByteBuffer readText(const MkvElement& child);
// Exactly the payload, no terminator.
ByteBuffer readBinary(const MkvElement& child);

// Text of a buffer up to its first zero byte, for display and tests.
std::string textOf(const ByteBuffer& buffer);

}  // namespace nvr
