#include "cli/VerdictFormat.h"

#include "report/Escape.h"
#include "report/Names.h"
#include "report/Wording.h"

std::string baseName(const std::string& path) {
    return fileNameOf(path);
}

std::string textLine(const FileReport& report) {
    const RecordingVerdict& v = report.verdict;
    const std::string name = displayText(baseName(report.path));
    if (v.code == VerdictCode::Success) {
        return "Success  " + name + "  start " + displayText(v.startTime) + "  end " +
               displayText(v.endTime) + "  serial " + displayText(v.serialNumber);
    }
    return "Failed   " + name + "  " + displayText(verdictReason(v));
}

std::string failureLine(const RecordingEvidence& evidence) {
    if (evidence.verdict.code == VerdictCode::Success) {
        return std::string();
    }
    const std::string summary = failureSummary(evidence);
    return summary.empty() ? std::string() : "    " + displayText(summary);
}

std::string textLines(const RecordingEvidence& evidence) {
    const std::string line = textLine(FileReport{evidence.identity.path, evidence.verdict});
    std::string lines = line;
    const std::string key = signingKeyText(evidence);
    if (!key.empty()) {
        lines += "\n    " + displayText(key);
    }
    const std::string caveat = originCaveat(evidence);
    if (!caveat.empty()) {
        lines += "\n    " + displayText(caveat);
    }
    const std::string failure = failureLine(evidence);
    if (!failure.empty()) {
        lines += "\n" + failure;
    }
    if (evidence.verdict.code != VerdictCode::Success) {
        // The first finding is on the failure line; the others follow it.
        for (size_t i = 1; i < evidence.findings.size(); ++i) {
            lines += "\n    " + displayText(findingSummary(evidence.findings[i]));
        }
    }
    return lines;
}
