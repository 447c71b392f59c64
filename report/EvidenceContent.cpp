#include "report/EvidenceContent.h"

#include "signature/FindingCode.h"

#include "report/Wording.h"

const char* contentTitle(ContentPart part) {
    switch (part) {
        case ContentPart::Findings:
            return "Findings";
        case ContentPart::Provenance:
            return "Provenance";
        case ContentPart::Coverage:
            return "Coverage";
        case ContentPart::Warnings:
        default:
            return "Timeline warnings";
    }
}

std::vector<ContentItem> contentOf(const RecordingEvidence& evidence, ContentPart part) {
    std::vector<ContentItem> items;
    switch (part) {
        case ContentPart::Findings:
            for (const Finding& finding : evidence.findings) {
                items.push_back({findingCodeName(finding.code), finding.text, finding.seconds});
            }
            break;
        case ContentPart::Provenance:
            for (const std::string& statement : evidence.provenance.statements) {
                items.push_back({std::string(), statement, std::nullopt});
            }
            break;
        case ContentPart::Coverage:
            if (!evidence.coverage.statement.empty()) {
                items.push_back({std::string(), evidence.coverage.statement, std::nullopt});
            }
            break;
        case ContentPart::Warnings:
            for (const TimelineWarning& warning : evidence.warnings) {
                items.push_back({warning.code, warning.text, std::nullopt});
            }
            break;
    }
    return items;
}

TagContent tagContent(const RecordingEvidence& evidence) {
    TagContent tag;
    const bool verified = evidence.verdict.code == VerdictCode::Success;
    if (!verified && !evidence.tag.present) {
        return tag;
    }
    tag.status = verified ? TagContent::Status::Verified : TagContent::Status::Stated;
    tag.claim = verdictWording(evidence).claim;
    tag.serialNumber = statedSerial(evidence);
    tag.startTime = statedStart(evidence);
    tag.endTime = statedEnd(evidence);
    return tag;
}

const char* tagHeading(const TagContent& tag) {
    switch (tag.status) {
        case TagContent::Status::Missing:
            return "Recorder tag";
        case TagContent::Status::Stated:
            return "Recorder tag as stated — NOT verified";
        case TagContent::Status::Verified:
            break;
    }
    switch (tag.claim) {
        case Claim::Authentic:
            return "Recorder tag (verified)";
        case Claim::Sealed:
            return "Recorder tag as stated, sealed with the built-in key: every copy of this "
                   "program holds that key, so these texts prove nothing against a holder of it";
        default:
            return "Recorder tag as stated, not tied to a recorder's key";
    }
}
