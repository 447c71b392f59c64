#pragma once

#include "signature/RecordingEvidence.h"

namespace recorder {

// 60 one-second clusters under an RSA tag; a foreign one stating 00:00:00
// stands before the 31st. Examined with its cluster map, without the hash.
RecordingEvidence insertedAtTimeZero();

}  // namespace recorder
