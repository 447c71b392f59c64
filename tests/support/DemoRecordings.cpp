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

    RecorderOptions unsignedRecording = authentic;
    unsignedRecording.tampering = {Tampering::unsignedRecording()};

    return {{"authentic.mkv", authentic},
            {"tampered.mkv", tampered},
            {"unsigned.mkv", unsignedRecording}};
}

}  // namespace recorder
