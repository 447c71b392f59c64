#pragma once

#include "container/MkvPayload.h"
#include "signature/RecordingEvidence.h"

namespace nvr {

// The fixed-size stand-in of a stored value (see ValueId); throws
// DWMException only when OpenSSL cannot hash at all.
ValueId valueIdOf(const ByteBuffer& value);

}  // namespace nvr
