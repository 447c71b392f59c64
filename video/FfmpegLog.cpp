#include "video/FfmpegLog.h"

#include "video/FfmpegLibrary.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cstdarg>
#include <mutex>

namespace nvr::video {

namespace {

constexpr size_t kMaxText = 160;

thread_local std::string lastError;

void onLog(void* object, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_ERROR) {
        return;
    }
    char line[512];
    int prefix = 0;  // no "[context @ address]": addresses differ from run to run
    ff().av_log_format_line2(object, level, format, arguments, line, sizeof line, &prefix);
    std::string text;
    for (const char* c = line; *c != '\0' && text.size() < kMaxText; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += *c;
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    if (!text.empty()) {
        lastError = text;
    }
}

}  // namespace

void captureFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        ff().av_log_set_level(AV_LOG_ERROR);
        ff().av_log_set_callback(onLog);
    });
}

std::string lastFfmpegError() {
    return lastError;
}

void clearFfmpegError() {
    lastError.clear();
}

std::string ffmpegErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    ff().av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace nvr::video
