#include "support/DemoRecordings.h"

namespace recorder {

std::vector<DemoRecording> demoRecordings(const std::string& clip) {
    RecorderOptions authentic;
    authentic.sourceClip = clip;
    authentic.endTime = "2026-12-01 08:01:00";
    authentic.tagSignature = {kKindRsa, 3};
    authentic.firstCluster = {kKindHmac, 3};
    authentic.laterClusters = {kKindHmac, 3};

    RecorderOptions tampered = authentic;
    for (int i = kAlteredFirst; i < kAlteredFirst + kAlteredCount; ++i) {
        tampered.tampering.push_back(Tampering::replaceContent(i, i + kAlteredShift));
    }

    // The same minute under an HMAC tag: it verifies, but proves no origin.
    RecorderOptions sealed = authentic;
    sealed.tagSignature = {kKindHmac, 3};

    RecorderOptions unsignedRecording = authentic;
    unsignedRecording.tampering = {Tampering::unsignedRecording()};

    return {{"authentic.mkv", authentic},
            {"sealed.mkv", sealed},
            {"tampered.mkv", tampered},
            {"unsigned.mkv", unsignedRecording}};
}

}  // namespace recorder
