// Writes three demo recordings into a folder: one that verifies, one with a
// single changed byte, and one that carries no signatures at all.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "support/TestRecorder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];

    recorder::RecorderOptions authentic;
    authentic.clusterCount = 20;
    authentic.blocksPerCluster = 4;
    authentic.blockSize = 32 * 1024;
    authentic.tagSignature = {recorder::kKindRsa, 3};
    authentic.firstCluster = {recorder::kKindHmac, 3};
    authentic.laterClusters = {recorder::kKindHmac, 3};

    recorder::RecorderOptions tampered = authentic;
    tampered.tampering = {recorder::Tampering::flipClusterByte(7)};

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
