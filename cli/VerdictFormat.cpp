#include "cli/VerdictFormat.h"

#include <cstdio>
#include <nlohmann/json.hpp>

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string printable(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

std::string reasonOf(const RecordingVerdict& verdict) {
    switch (verdict.code) {
        case RECORDING_MISMATCH:
            return "signature mismatch: " + verdict.detail;
        case RECORDING_UNSIGNED:
            return "not signed: " + verdict.detail;
        case RECORDING_ERROR:
            return "error: " + verdict.errorText;
        default:
            return "not verified";
    }
}

}  // namespace

std::string textLine(const FileReport& report) {
    const RecordingVerdict& v = report.verdict;
    const std::string name = printable(baseName(report.path));
    if (v.code == RECORDING_OK) {
        return "Success  " + name + "  start " + printable(v.startTime) + "  end " +
               printable(v.endTime) + "  serial " + printable(v.serialNumber);
    }
    return "Failed   " + name + "  " + printable(reasonOf(v));
}

std::string jsonReport(const std::vector<FileReport>& reports) {
    nlohmann::json array = nlohmann::json::array();
    for (const FileReport& report : reports) {
        const RecordingVerdict& v = report.verdict;
        array.push_back({{"file", baseName(report.path)},
                         {"path", report.path},
                         {"code", v.code},
                         {"verdict", v.code == RECORDING_OK ? "Success" : "Failed"},
                         {"startTime", v.startTime},
                         {"endTime", v.endTime},
                         {"serialNumber", v.serialNumber},
                         {"errorText", v.errorText},
                         {"detail", v.detail}});
    }
    return array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}
