#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "container/MkvErrors.h"
#include "container/MkvMemoryReader.h"
#include "signature/SignatureWalk.h"
#include "support/EbmlWriter.h"
#include "support/TestRecorder.h"

// Building blocks of hostile recordings: files laid out by hand whose tag and
// clusters are still properly signed (HMAC with the built-in key, chained),
// so a test can put one forged detail into an otherwise authentic file.
namespace hostile {

using ebml::Bytes;

// What verification of some bytes came to: a walk result, or an exception.
struct Outcome {
    std::optional<VerifyWalkResult> result;  // when nothing was thrown
    bool threw = false;
    nvr::MkvErrorCode code = nvr::MkvErrorCode::None;
    std::optional<int64_t> position;
    std::string text;  // the exception's message, or the walk's detail

    bool passed() const { return !threw && result == VerifyWalkResult::Ok; }
};

// Parses and walks `bytes` through a memory source; `declaredSize` and
// `schedule` as for MkvMemoryReader.
Outcome verifyBytes(Bytes bytes, int64_t declaredSize = -1,
                    const nvr::ReadFailureSchedule& schedule = {});

// An EBML header and one Segment (8-byte size) holding `children`.
Bytes recording(const Bytes& children);
// Offset of the segment's first child in files made by recording().
int64_t segmentDataOffset();

// HMAC-SHA-256 under `key`, or under the built-in HMAC key when it is empty.
Bytes hmac(const Bytes& key, const Bytes& data);
// A signature element (0x4153) of the given kind, digest and value.
ebml::Element signatureEl(const Bytes& value, uint32_t kind = 2, uint32_t digestType = 3);

// Element `id` holding `before`, a signature element over `after`, then
// `after`: the recorder's layout. The value signed with `key` (HMAC-SHA-256)
// is returned through `value` when given.
Bytes signedElement(uint64_t id, const Bytes& key, const Bytes& before, const Bytes& after,
                    Bytes* value = nullptr);
// A recorder tag naming `finalValue`, signed with the built-in HMAC key.
Bytes signedTag(const Bytes& finalValue, const std::string& serial = "TLV-HOSTILE");
// A cluster with a timecode and one frame, signed with `key`; its value is
// returned through `value`.
Bytes signedCluster(const Bytes& key, Bytes* value, uint8_t frameByte = 0x5A);

// The bytes of a recording written by the test recorder, and its layout.
struct Recorded {
    Bytes bytes;
    recorder::Recording layout;
};
Recorded record(const recorder::RecorderOptions& options);
// Two clusters of one small frame each: a recording of a few hundred bytes.
recorder::RecorderOptions smallRecording();

}  // namespace hostile
