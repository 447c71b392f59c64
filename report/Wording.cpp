#include "report/Wording.h"

#include <algorithm>

#include "report/Names.h"
#include "signature/KeyFindings.h"

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

namespace {

const char kNoSignature[] = "Not signed: the recording carries no usable signature.";

// The headline of a "not signed" verdict by what a finding shows, or null
// for a finding that does not explain one (a second tag, a cut, fixity).
// Every code is named, so that a new one must be placed here.
const char* notSignedSentence(FindingCode code) {
    switch (code) {
        case FindingCode::UnsignedFrames:
        case FindingCode::UnprovenFrames:
            return "Not signed: frames stand outside the signed bytes.";
        case FindingCode::TagFieldUnsigned:
            return "Not signed: tag fields stand outside the signed bytes.";
        case FindingCode::ClusterUnsigned:
            return "Not signed: clusters carry no usable signature.";
        case FindingCode::TagMissing:
        case FindingCode::TagNoSerial:
        case FindingCode::TagUnsigned:
        case FindingCode::RecordingUnsigned:
            return kNoSignature;
        case FindingCode::ChainBreak:
        case FindingCode::ClusterMismatch:
        case FindingCode::ClusterRemoved:
        case FindingCode::ClusterInserted:
        case FindingCode::ClusterMoved:
        case FindingCode::ClusterDuplicated:
        case FindingCode::ClusterSpliced:
        case FindingCode::ChainBroken:
        case FindingCode::ClusterError:
        case FindingCode::RecordingTruncated:
        case FindingCode::ChainEndMismatch:
        case FindingCode::ClustersAppended:
        case FindingCode::TagAltered:
        case FindingCode::TagUnknownKey:
        case FindingCode::TagMismatch:
        case FindingCode::TagMultiple:
        case FindingCode::KeyUnknown:
        case FindingCode::KeyOutsideValidity:
        case FindingCode::KeyChanged:
        case FindingCode::KeyKnown:
        case FindingCode::WalkError:
        case FindingCode::TrialsExhausted:
        case FindingCode::FileError:
        case FindingCode::NoClusters:
        case FindingCode::FixityChanged:
        case FindingCode::FixityMissing:
        case FindingCode::FixityUnreadable:
            break;
    }
    return nullptr;
}

// The findings lead with what decided the verdict; the first that can
// explain a "not signed" names it.
const char* notSignedSentence(const std::vector<Finding>& findings) {
    for (const Finding& finding : findings) {
        if (const char* const sentence = notSignedSentence(finding.code)) {
            return sentence;
        }
    }
    return kNoSignature;
}

VerdictWording successWording(const RecordingEvidence& evidence) {
    if (evidence.originProven && evidence.proofKey == ProofKey::Rsa) {
        return {Claim::Authentic, "authentic",
                "Authentic: the recorder tag's RSA signature and every cluster signature verified.",
                ""};
    }
    if (evidence.proofKey == ProofKey::Hmac && evidence.signingKey &&
        !evidence.signingKey->builtIn) {
        return {Claim::Sealed, "sealed with a trusted HMAC key, no origin proven",
                "Sealed with a trusted HMAC key: the recorder tag and every cluster signature "
                "hold, but no origin is proven.",
                "The recorder tag is sealed with an HMAC key from the key store, which its "
                "holders share (the key's label names them): this Success shows the recording "
                "is unchanged against anyone without that key, not which device made it, and "
                "its serial number and times prove nothing against a holder of the key."};
    }
    if (evidence.proofKey == ProofKey::Hmac) {
        return {Claim::Sealed, "sealed with the built-in key, no origin proven",
                "Sealed with the built-in key: the recorder tag and every cluster signature "
                "hold, but no origin is proven.",
                "The recorder tag is sealed with the built-in HMAC key, which every copy of this "
                "program holds: this Success shows the recording is unchanged against anyone "
                "without this program, not which device made it, and its serial number and "
                "times prove nothing against a holder of the program."};
    }
    return {Claim::NoOrigin, "origin not proven",
            "Success: the recorder tag and every cluster signature hold, but nothing ties the "
            "recording to a recorder's private key.",
            "Nothing ties this recording to a recorder's private key: this Success does not "
            "show which device made it, and its serial number and times prove nothing."};
}

}  // namespace

VerdictWording verdictWording(const RecordingEvidence& evidence) {
    switch (evidence.verdict.code) {
        case VerdictCode::Success:
            return successWording(evidence);
        case VerdictCode::Mismatch:
            if (hasFinding(evidence, FindingCode::KeyUnknown)) {
                return {Claim::Failed, kNotTrusted,
                        "Signed by a key that is not trusted: no trusted key verifies the "
                        "recorder tag, though the recording's own chain is consistent.",
                        ""};
            }
            return {Claim::Failed, "signature does not hold",
                    "Signature mismatch: the recording is not as the recorder signed it.", ""};
        case VerdictCode::Unsigned:
            return {Claim::Failed, "not signed", notSignedSentence(evidence.findings), ""};
        case VerdictCode::Error:
            return {Claim::Failed, "unreadable", "Error while reading the file:", ""};
        case VerdictCode::NotVerified:
            break;
    }
    return {Claim::NotVerified, "not verified", "Not verified.", ""};
}

std::string verdictReason(const RecordingVerdict& verdict) {
    switch (verdict.code) {
        case VerdictCode::Success:
            return std::string();
        case VerdictCode::Mismatch:
            if (verdict.detail.rfind(kNotTrusted, 0) == 0) {
                return verdict.detail;
            }
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

std::string signingKeyText(const RecordingEvidence& evidence) {
    if (!evidence.signingKey) {
        return std::string();
    }
    const SigningKey& key = *evidence.signingKey;
    std::string text = "key \"" + key.label + "\" (" + key.id + "), " + key.status;
    if (key.validity == "outside") {
        text += ", the stated time outside its window";
    } else if (key.validity == "revoked") {
        text += " before the stated time";
    }
    return text;
}

std::string originCaveat(const RecordingEvidence& evidence) {
    return verdictWording(evidence).caveat;
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

const char* frameStandingWord(const std::optional<ClusterStanding>& standing) {
    return standing ? standingWord(*standing) : "outside the signatures";
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
