#include "signature/RecordingEvidence.h"

#include <algorithm>
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

int64_t keyTrialNumber(const KeyTrial& trial) {
    switch (trial.outcome) {
        case KeyTrial::Outcome::NotTried:
            return -2;
        case KeyTrial::Outcome::NoneHolds:
            return -1;
        case KeyTrial::Outcome::Holds:
            break;
    }
    return trial.cluster.value_or(0);
}

std::optional<int64_t> tagTimeSeconds(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute,
                    &second, &tail) != 6 ||
        year < 1900 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<int64_t>(timegm(&tm));
}

std::string wallClockAt(const std::string& startTime, double seconds) {
    const std::optional<int64_t> start = tagTimeSeconds(startTime);
    if (!start || !(seconds >= 0.0) || seconds > 1e11) {
        return std::string();
    }
    const auto at = static_cast<time_t>(*start + static_cast<int64_t>(seconds));
    std::tm out{};
    if (gmtime_r(&at, &out) == nullptr) {
        return std::string();
    }
    char text[80];  // room for any int in each field: the compiler proves nothing is cut
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", out.tm_year + 1900,
                  out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec);
    return text;
}

std::string clockText(double seconds) {
    if (!(seconds >= 0.0) || seconds > 1e11) {
        return "?";
    }
    const auto whole = static_cast<int64_t>(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(whole / 3600),
                  static_cast<long long>(whole / 60 % 60), static_cast<long long>(whole % 60));
    return text;
}

std::string durationText(double seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3g s", seconds);
    return text;
}

bool hasFinding(const RecordingEvidence& evidence, FindingCode code) {
    return std::any_of(evidence.findings.begin(), evidence.findings.end(),
                       [code](const Finding& finding) { return finding.code == code; });
}
