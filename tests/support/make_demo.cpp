// Writes the demo recordings (support/DemoRecordings.h) into a folder.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "support/DemoRecordings.h"
#include "support/TestRecorder.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s DIR [CLIP]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string clip = argc == 3 ? argv[2] : TELVAR_DEMO_CLIP;
    try {
        std::filesystem::create_directories(dir);
        for (const recorder::DemoRecording& demo : recorder::demoRecordings(clip)) {
            const recorder::Recording written =
                recorder::writeRecording(dir + "/" + demo.name, demo.options);
            std::printf("%s\n", written.path.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "telvar-make-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
