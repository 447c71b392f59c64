// Stands in for the fuzzing engine where there is none: runs the harness on
// every file named on the command line and every file of every folder named
// there, so a plain build replays the seed corpus and the regression files.
// Arguments starting with '-' are engine options and are ignored, so the
// same command line works for both builds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool replayFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    // Named first, so a crash shows which input caused it.
    std::fprintf(stderr, "replaying %s\n", path.c_str());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.empty() || argument[0] == '-') {
            continue;
        }
        std::error_code error;
        if (fs::is_directory(argument, error)) {
            for (const auto& entry : fs::directory_iterator(argument, error)) {
                if (entry.is_regular_file()) {
                    inputs.push_back(entry.path());
                }
            }
        } else if (fs::is_regular_file(argument, error)) {
            inputs.emplace_back(argument);
        } else {
            std::fprintf(stderr, "no such file or folder: %s\n", argument.c_str());
            return 1;
        }
        if (error) {
            std::fprintf(stderr, "cannot list %s: %s\n", argument.c_str(), error.message().c_str());
            return 1;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    size_t replayed = 0;
    for (const fs::path& input : inputs) {
        if (!replayFile(input)) {
            return 1;
        }
        ++replayed;
    }
    std::printf("replayed %zu inputs\n", replayed);
    return 0;
}
