#include "report/Wording.h"

#include "report/Names.h"

const char* verdictWord(const RecordingVerdict& verdict) {
    switch (verdict.code) {
        case VerdictCode::Success:
            return "Success";
        case VerdictCode::NotVerified:
            return "Not verified";
        default:
            return "Failed";
    }
}

const char* outcomeText(VerdictCode code) {
    switch (code) {
        case VerdictCode::Success:
            return "authentic";
        case VerdictCode::Mismatch:
            return "signature does not hold";
        case VerdictCode::Unsigned:
            return "not signed";
        case VerdictCode::Error:
            return "unreadable";
        default:
            return "not verified";
    }
}

const char* outcomeSentence(VerdictCode code) {
    switch (code) {
        case VerdictCode::Success:
            return "Authentic: the recorder tag and every cluster signature verified.";
        case VerdictCode::Mismatch:
            return "Signature mismatch: the recording is not as the recorder signed it.";
        case VerdictCode::Unsigned:
            return "Not signed: the recording carries no usable signature.";
        case VerdictCode::Error:
            return "Error while reading the file:";
        default:
            return "Not verified.";
    }
}

std::string verdictReason(const RecordingVerdict& verdict) {
    switch (verdict.code) {
        case VerdictCode::Success:
            return std::string();
        case VerdictCode::Mismatch:
            return "signature mismatch: " + verdict.detail;
        case VerdictCode::Unsigned:
            return "not signed: " + verdict.detail;
        case VerdictCode::Error:
            return "error: " + verdict.errorText;
        default:
            return verdict.errorText.empty() ? "not verified"
                                             : "not verified: " + verdict.errorText;
    }
}

std::string originCaveat(const RecordingEvidence& evidence) {
    if (evidence.verdict.code != VerdictCode::Success || evidence.originProven) {
        return std::string();
    }
    if (evidence.proofKey == ProofKey::Hmac) {
        return "The recorder tag is sealed with the built-in HMAC key, which every copy of this "
               "program holds: this Success shows the recording is unchanged against anyone "
               "without this program, not which device made it.";
    }
    return "Nothing ties this recording to a recorder's private key: this Success does not "
           "show which device made it.";
}

const char* standingWord(ClusterStanding standing) {
    switch (standing) {
        case ClusterStanding::Proven:
            return "verified";
        case ClusterStanding::Sealed:
            return "sealed with the built-in key";
        case ClusterStanding::LinkHolds:
            return "links hold, not tied to the tag";
        case ClusterStanding::OutOfPlace:
            return "recorder's bytes, out of place";
        case ClusterStanding::Failing:
            return "failed";
        case ClusterStanding::NotChecked:
            break;
    }
    return "not checked";
}

std::string statedTimes(const std::optional<double>& from, const std::optional<double>& to) {
    if (!from || clockText(*from) == "?") {
        return std::string();
    }
    std::string text = clockText(*from);
    if (to && clockText(*to) != "?" && clockText(*to) != text) {
        text += "–" + clockText(*to);
    }
    return text + " as stated";
}

namespace {

std::string placeOf(const FirstFailure& failure) {
    std::string inner;
    const auto add = [&inner](const std::string& part) {
        inner += (inner.empty() ? "" : ", ") + part;
    };
    if (!failure.wallClock.empty()) {
        add(failure.wallClock);
    }
    if (failure.cluster > 0) {
        add("cluster " + std::to_string(failure.cluster));
    } else if (failure.offset >= 0) {
        add("offset " + std::to_string(failure.offset));
    }
    if (failure.seconds && clockText(*failure.seconds) != "?") {
        return "at " + clockText(*failure.seconds) + (inner.empty() ? "" : " (" + inner + ")");
    }
    return inner.empty() ? std::string() : "at " + inner;
}

}  // namespace

std::string failureSummary(const RecordingEvidence& evidence) {
    const std::string place = evidence.firstFailure ? placeOf(*evidence.firstFailure) : "";
    std::string what;
    if (!evidence.findings.empty()) {
        what = std::string(findingCodeName(evidence.findings.front().code)) + ": " +
               evidence.findings.front().text;
    }
    if (place.empty() || what.empty()) {
        return place + what;
    }
    return place + ": " + what;
}

std::string findingSummary(const Finding& finding) {
    const std::string what = std::string(findingCodeName(finding.code)) + ": " + finding.text;
    if (finding.seconds && clockText(*finding.seconds) != "?") {
        return "at " + clockText(*finding.seconds) + ": " + what;
    }
    return what;
}

std::string statedSerial(const RecordingEvidence& evidence) {
    return evidence.tag.present ? evidence.tag.serialNumber : evidence.verdict.serialNumber;
}

std::string statedStart(const RecordingEvidence& evidence) {
    return evidence.tag.present ? evidence.tag.startTime : evidence.verdict.startTime;
}

std::string statedEnd(const RecordingEvidence& evidence) {
    return evidence.tag.present ? evidence.tag.endTime : evidence.verdict.endTime;
}
