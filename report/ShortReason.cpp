#include "report/ShortReason.h"

#include <algorithm>

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool startsWith(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

// A file that could not be read through. The reader's texts end in
// " @ offset"; one that fails at its very first byte, or is refused as
// "not an valid file" anywhere before its Segment, is no Matroska file.
std::string readFailure(const RecordingEvidence& e) {
    if (hasFinding(e, FindingCode::RecordingTruncated)) {
        return "cut short";
    }
    const std::string& error = e.verdict.errorText;
    if (startsWith(error, "not an valid file") ||
        (endsWith(error, " @ 0") && e.identity.size > 0)) {
        return "not a Matroska file";
    }
    if (error == "failed to open file") {
        return "could not be opened";
    }
    if (startsWith(error, "not a regular file")) {
        return "not a regular file";
    }
    if (error == kChangedWhileVerified) {
        return "changed while verified";
    }
    if (error == "verification cancelled") {
        return "not verified to the end";
    }
    return "could not be read through";
}

std::string ofFinding(const RecordingEvidence& e, FindingCode code) {
    switch (code) {
        case FindingCode::ChainBreak:
        case FindingCode::ClusterMismatch:
        case FindingCode::ClusterRemoved:
        case FindingCode::ClusterInserted:
        case FindingCode::ClusterMoved:
        case FindingCode::ClusterDuplicated:
        case FindingCode::ClusterSpliced:
        case FindingCode::ChainBroken:
        case FindingCode::ChainEndMismatch:
        case FindingCode::TagAltered:
        case FindingCode::TagMismatch:
        case FindingCode::TrialsExhausted:  // only ever after a failing cluster
            return "signature does not hold";
        case FindingCode::ClusterUnsigned:
        case FindingCode::TagMissing:
        case FindingCode::TagNoSerial:
        case FindingCode::TagUnsigned:
        case FindingCode::RecordingUnsigned:
            return "not signed";
        case FindingCode::UnsignedFrames:
        case FindingCode::UnprovenFrames:
        case FindingCode::TagFieldUnsigned:
        case FindingCode::ClustersAppended:
            return "content outside the signatures";
        case FindingCode::RecordingTruncated:
            return "cut short";
        case FindingCode::NoClusters:
            return "no clusters";
        case FindingCode::TagUnknownKey:
            return "signed with an unknown key";
        case FindingCode::KeyUnknown:
            return "signed by a key that is not trusted";
        case FindingCode::KeyOutsideValidity:
            return "key revoked before the recording";
        case FindingCode::KeyChanged:
            return "signed by two keys";
        case FindingCode::TagMultiple:
            return "more than one recorder tag";
        case FindingCode::FixityChanged:
            return "bytes changed since added to the case";
        case FindingCode::FixityMissing:
            return "missing since added to the case";
        case FindingCode::FixityUnreadable:
            return "unreadable since added to the case";
        case FindingCode::KeyKnown:  // never first on a failure
        case FindingCode::ClusterError:
        case FindingCode::WalkError:
        case FindingCode::FileError:
            break;
    }
    return readFailure(e);
}

}  // namespace

// A change of the file since it was added to its case, which a row shows
// beside its verdict whatever the signatures say.
std::string fixityReason(const RecordingEvidence& e) {
    for (const Finding& finding : e.findings) {
        if (finding.code == FindingCode::FixityChanged ||
            finding.code == FindingCode::FixityMissing ||
            finding.code == FindingCode::FixityUnreadable) {
            return ofFinding(e, finding.code);
        }
    }
    return std::string();
}

std::string verdictReason(const RecordingEvidence& e) {
    const VerdictCode code = e.verdict.code;
    if (code == VerdictCode::Success) {
        return std::string();
    }
    if (code == VerdictCode::NotVerified) {
        return "not verified";
    }
    if (e.identity.size == 0) {
        return "empty file";
    }
    if (!e.findings.empty()) {
        return ofFinding(e, e.findings.front().code);
    }
    switch (code) {
        case VerdictCode::Mismatch:
            return "signature does not hold";
        case VerdictCode::Unsigned:
            return "not signed";
        default:
            return readFailure(e);
    }
}

std::string shortReason(const RecordingEvidence& e) {
    const std::string verdict = verdictReason(e);
    const std::string fixity = fixityReason(e);
    if (fixity.empty() || verdict == fixity) {
        return verdict;
    }
    return verdict.empty() ? fixity : verdict + "; " + fixity;
}

std::string firstFailureWhen(const RecordingEvidence& e) {
    if (!e.firstFailure) {
        return std::string();
    }
    const FirstFailure& failure = *e.firstFailure;
    const std::string clock =
        failure.seconds && clockText(*failure.seconds) != "?" ? clockText(*failure.seconds) : "";
    if (!failure.wallClock.empty()) {
        return failure.wallClock + (clock.empty() ? "" : " (" + clock + " as stated)");
    }
    return clock.empty() ? std::string() : clock + " as stated";
}
