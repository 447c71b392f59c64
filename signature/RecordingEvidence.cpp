#include "signature/RecordingEvidence.h"

#include <cstdio>
#include <ctime>

#include "signature/FileHasher.h"

const char* clusterStatusCode(ClusterStatus status) {
    switch (status) {
        case ClusterStatus::Verified:
            return "verified";
        case ClusterStatus::Mismatch:
            return "mismatch";
        case ClusterStatus::Unsigned:
            return "unsigned";
        case ClusterStatus::Error:
            return "error";
        case ClusterStatus::NotChecked:
            break;
    }
    return "not-checked";
}

std::string wallClockAt(const std::string& startTime, double seconds) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (startTime.size() != 19 ||
        std::sscanf(startTime.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &year, &month, &day, &hour,
                    &minute, &second, &tail) != 6 ||
        month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60 || !(seconds >= 0.0) || seconds > 1e10) {
        return std::string();
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second + static_cast<int>(seconds);  // whole seconds; timegm normalises
    const time_t at = timegm(&tm);
    std::tm out{};
    if (at == static_cast<time_t>(-1) || gmtime_r(&at, &out) == nullptr) {
        return std::string();
    }
    char text[80];  // room for any int in each field: the compiler proves nothing is cut
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", out.tm_year + 1900,
                  out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec);
    return text;
}
