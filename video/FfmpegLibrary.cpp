#include "video/FfmpegLibrary.h"

#include <dlfcn.h>

#include <array>
#include <cstring>

namespace nvr::video {

namespace {

constexpr std::array<FfmpegModule, 4> kModules{FfmpegModule::Avutil, FfmpegModule::Swscale,
                                               FfmpegModule::Avcodec, FfmpegModule::Avformat};

struct Loaded {
    // Kept open until the process ends: a decoding thread may still run
    // while the program exits, and FFmpeg's libraries are not made to be
    // unloaded.
    std::array<void*, kModules.size()> handles{};
    FfmpegFunctions functions;
    std::string error;
};

Loaded load() {
    Loaded loaded;
    // In dependency order, each with its own dependencies resolved now, so a
    // broken installation fails here and not at the first call.
    for (size_t i = 0; i < kModules.size(); ++i) {
        const std::string name = ffmpegSoname(kModules[i]);
        loaded.handles[i] = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (loaded.handles[i] == nullptr) {
            const char* text = ::dlerror();
            loaded.error = "FFmpeg's " + name + " cannot be loaded" +
                           (text != nullptr ? std::string(": ") + text : std::string());
            return loaded;
        }
    }
    auto resolve = [&loaded](FfmpegModule module, const char* symbol, auto& function) {
        if (!loaded.error.empty()) {
            return;
        }
        void* address = ::dlsym(loaded.handles[static_cast<size_t>(module)], symbol);
        if (address == nullptr) {
            loaded.error = "FFmpeg's " + ffmpegSoname(module) + " has no " + symbol;
            return;
        }
        // POSIX guarantees a data pointer from dlsym() converts to the function's.
        std::memcpy(&function, &address, sizeof function);
    };
#define TELVAR_FFMPEG_RESOLVE(module, name) \
    resolve(FfmpegModule::module, #name, loaded.functions.name);
    TELVAR_FFMPEG_FUNCTIONS(TELVAR_FFMPEG_RESOLVE)
#undef TELVAR_FFMPEG_RESOLVE
    return loaded;
}

const Loaded& loaded() {
    static const Loaded instance = load();
    return instance;
}

}  // namespace

std::string ffmpegSoname(FfmpegModule module) {
    switch (module) {
        case FfmpegModule::Avutil:
            return "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR);
        case FfmpegModule::Swscale:
            return "libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR);
        case FfmpegModule::Avcodec:
            return "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR);
        case FfmpegModule::Avformat:
            return "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR);
    }
    return {};
}

bool loadFfmpeg(std::string& why) {
    const Loaded& library = loaded();
    why = library.error;
    return library.error.empty();
}

const FfmpegFunctions& ff() {
    const Loaded& library = loaded();
    if (!library.error.empty()) {
        throw VideoUnavailable(library.error);
    }
    return library.functions;
}

}  // namespace nvr::video
