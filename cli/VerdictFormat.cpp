#include "cli/VerdictFormat.h"

#include <cstdio>

#include "report/Names.h"
#include "report/Wording.h"

std::string baseName(const std::string& path) {
    return fileNameOf(path);
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

std::string textLine(const FileReport& report) {
    const RecordingVerdict& v = report.verdict;
    const std::string name = printable(baseName(report.path));
    if (v.code == RECORDING_OK) {
        return "Success  " + name + "  start " + printable(v.startTime) + "  end " +
               printable(v.endTime) + "  serial " + printable(v.serialNumber);
    }
    return "Failed   " + name + "  " + printable(verdictReason(v));
}

std::string failureLine(const RecordingEvidence& evidence) {
    if (evidence.verdict.code == RECORDING_OK) {
        return std::string();
    }
    const std::string summary = failureSummary(evidence);
    return summary.empty() ? std::string() : "    " + printable(summary);
}

std::string textLines(const RecordingEvidence& evidence) {
    const std::string line = textLine(FileReport{evidence.identity.path, evidence.verdict});
    const std::string failure = failureLine(evidence);
    return failure.empty() ? line : line + "\n" + failure;
}
