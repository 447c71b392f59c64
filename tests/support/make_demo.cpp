// Writes three demo recordings into a folder, all carrying the same minute
// of real video: one that verifies, one in which three seconds of picture
// were overwritten with later ones, and one that carries no signatures.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "support/TestRecorder.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s DIR [CLIP]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];

    recorder::RecorderOptions authentic;
    authentic.sourceClip = argc == 3 ? argv[2] : TELVAR_DEMO_CLIP;
    authentic.endTime = "2026-12-01 08:01:00";
    authentic.tagSignature = {recorder::kKindRsa, 3};
    authentic.firstCluster = {recorder::kKindHmac, 3};
    authentic.laterClusters = {recorder::kKindHmac, 3};

    // 08:00:14 to 08:00:17 show the clock of 08:00:44 to 08:00:47.
    recorder::RecorderOptions tampered = authentic;
    for (int second = 14; second < 17; ++second) {
        tampered.tampering.push_back(recorder::Tampering::replaceContent(second, second + 30));
    }

    recorder::RecorderOptions unsignedRecording = authentic;
    unsignedRecording.tampering = {recorder::Tampering::unsignedRecording()};

    try {
        std::filesystem::create_directories(dir);
        for (const auto& [name, options] :
             {std::pair{"authentic.mkv", authentic}, std::pair{"tampered.mkv", tampered},
              std::pair{"unsigned.mkv", unsignedRecording}}) {
            const recorder::Recording written = recorder::writeRecording(dir + "/" + name, options);
            std::printf("%s\n", written.path.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "telvar-make-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
