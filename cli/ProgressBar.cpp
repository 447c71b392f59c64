#include "cli/ProgressBar.h"

#include <unistd.h>

ProgressBar::ProgressBar(std::FILE* stream_)
    : stream(stream_), enabled(isatty(fileno(stream_)) != 0) {}

void ProgressBar::start(const std::string& name_) {
    name = name_;
    lastPercent = -1;
    update(0.0);
}

void ProgressBar::update(double fraction) {
    if (!enabled) {
        return;
    }
    const int percent = fraction <= 0.0   ? 0
                        : fraction >= 1.0 ? 100
                                          : static_cast<int>(fraction * 100.0);
    if (percent == lastPercent) {
        return;
    }
    lastPercent = percent;
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::fprintf(stream, "\r[%.*s%*s] %3d%% %s", filled, "##############################",
                 kWidth - filled, "", percent, name.c_str());
    std::fflush(stream);
}

void ProgressBar::finish() {
    if (enabled) {
        std::fprintf(stream, "\r\033[K");
        std::fflush(stream);
    }
}

void ProgressBar::report(double fraction, void* context) {
    if (context != nullptr) {
        static_cast<ProgressBar*>(context)->update(fraction);
    }
}
