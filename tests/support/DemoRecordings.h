#pragma once

#include <string>
#include <vector>

#include "support/RecorderOptions.h"

// The demo recordings, all carrying the same minute of real video: one that
// verifies under the recorder's RSA key, one that verifies under an HMAC
// tag (sealed with the built-in key, so no origin is proven), one in which
// three seconds of picture were overwritten with later ones, and one that
// carries no signatures. Shared by the demo tool
// and the tests that check what it shows.
namespace recorder {

// In the tampered one, clusters kAlteredFirst to kAlteredFirst +
// kAlteredCount - 1 (chain indices, so seconds) carry the frames of the
// clusters kAlteredShift later.
constexpr int kAlteredFirst = 14;
constexpr int kAlteredCount = 3;
constexpr int kAlteredShift = 30;

struct DemoRecording {
    std::string name;  // file name
    RecorderOptions options;
};

std::vector<DemoRecording> demoRecordings(const std::string& clip);

}  // namespace recorder
