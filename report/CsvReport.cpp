#include "report/CsvReport.h"

#include <cstdio>

#include "report/Escape.h"
#include "report/Wording.h"
#include "signature/KeysInUse.h"

namespace {

// Up to the first zero byte, as a name is listed.
std::string upToZero(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

// The tag's texts are proven only by a success; otherwise they are the
// file's own claim and say so.
std::string tagText(const RecordingEvidence& e, const std::string& verified,
                    const std::string& stated) {
    if (e.verdict.code == VerdictCode::Success) {
        return verified;
    }
    return stated.empty() ? std::string() : stated + " (stated, not verified)";
}

std::string reasonText(const RecordingVerdict& verdict) {
    switch (verdict.code) {
        case VerdictCode::Mismatch:
        case VerdictCode::Unsigned:
            return verdict.detail;
        case VerdictCode::Error:
        case VerdictCode::NotVerified:
            return verdict.errorText;
        default:
            return std::string();
    }
}

std::string firstFailureText(const RecordingEvidence& e) {
    if (!e.firstFailure) {
        return std::string();
    }
    const FirstFailure& failure = *e.firstFailure;
    if (!failure.wallClock.empty()) {
        return failure.wallClock;
    }
    if (failure.seconds) {
        char text[64];
        std::snprintf(text, sizeof text, "%.3f s", *failure.seconds);
        return text;
    }
    return std::string();
}

// Whether a Success also proves which recorder made the file; empty for a
// failure.
std::string originText(const VerdictWording& wording) {
    if (wording.claim == Claim::Authentic) {
        return "proven: signed with the private key that matches the built-in public key";
    }
    return wording.caveat;
}

std::string csvCell(const std::string& text) {
    if (text.find_first_of("\",\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

}  // namespace

std::string defused(const std::string& cell) {
    static const std::string risky = "=+-@\t\r";
    if (!cell.empty() && risky.find(cell.front()) != std::string::npos) {
        return "'" + cell;
    }
    return cell;
}

std::vector<std::string> csvTitles() {
    return {"Name",
            "Path",
            "Verdict",
            "Reason",
            "Serial Number",
            "Start",
            "End",
            "First Failure",
            "SHA-256",
            "Verified At",
            "Origin",
            "Examiner",
            "Case Reference",
            "Custody Events",
            "Custody Newest SHA-256",
            "Custody Seal",
            "Report Event",
            "Examiner Key Ed25519",
            "Examiner Key SHA-256",
            "Signing Key",
            "Key Store SHA-256",
            "Build"};
}

std::vector<std::string> csvFields(const CsvRow& row) {
    const RecordingEvidence& e = *row.evidence;
    const RecordingVerdict& v = e.verdict;
    const VerdictWording wording = verdictWording(e);
    std::string reason = reasonText(v);
    if (reason.empty() && v.code != VerdictCode::Success) {
        reason = wording.sentence;
    }
    std::vector<std::string> fields = {
        upToZero(row.name),
        row.path,
        std::string(verdictWord(v)) + " (" +
            (v.code == VerdictCode::NotVerified && !v.errorText.empty() ? v.errorText
                                                                        : wording.outcome) +
            ")",
        reason,
        tagText(e, v.serialNumber, e.tag.serialNumber),
        tagText(e, v.startTime, e.tag.startTime),
        tagText(e, v.endTime, e.tag.endTime),
        firstFailureText(e),
        e.identity.sha256,
        row.verifiedAt,
        originText(wording),
        row.examiner,
        row.caseReference};
    const ReportContext* const custody = row.custody;
    const auto number = [](const std::optional<int64_t>& value) {
        return value ? std::to_string(*value) : std::string();
    };
    const bool fromCase = custody != nullptr && custody->custodyEvents;
    fields.push_back(fromCase ? number(custody->custodyEvents) : std::string());
    fields.push_back(fromCase ? custody->custodyHead : std::string());
    fields.push_back(fromCase ? custodySealText(*custody) : std::string());
    fields.push_back(fromCase ? number(custody->custodyExportEvent) : std::string());
    fields.push_back(custody != nullptr ? custody->examinerPublicKey : std::string());
    fields.push_back(custody != nullptr ? custody->examinerKeyFingerprint : std::string());
    fields.push_back(e.signingKey ? e.signingKey->id + " (" + e.signingKey->label + ")"
                                  : std::string());
    const nvr::KeysInUse keys = nvr::keysInUse();
    fields.push_back(keys.store ? keys.store->sha256() : std::string());
    fields.push_back(telvarBuild());
    for (std::string& field : fields) {
        field = defused(displayText(field));
    }
    return fields;
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        line += (i == 0 ? "" : ",") + csvCell(fields[i]);
    }
    return line + "\r\n";
}

std::string csvReport(const std::vector<CsvRow>& rows) {
    std::string csv = csvLine(csvTitles());
    for (const CsvRow& row : rows) {
        csv += csvLine(csvFields(row));
    }
    return csv;
}

bool writeCsvReport(const ReportFiles& files, const std::function<CsvRow(size_t)>& lineOf,
                    ReportSink& sink) {
    if (!sink.write(csvLine(csvTitles()))) {
        return false;
    }
    for (size_t i = 0; i < files.count; ++i) {
        const std::shared_ptr<const RecordingEvidence> evidence = files.evidence(i);
        CsvRow row = lineOf(i);
        row.evidence = evidence.get();
        if (!sink.write(csvLine(csvFields(row)))) {
            return false;
        }
    }
    return true;
}

std::string csvTime(const std::string& isoUtc) {
    // YYYY-MM-DDThh:mm:ssZ
    if (isoUtc.size() != 20 || isoUtc[10] != 'T' || isoUtc[19] != 'Z') {
        return std::string();
    }
    return isoUtc.substr(0, 10) + " " + isoUtc.substr(11, 8) + " UTC";
}
