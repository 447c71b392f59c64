#include "report/JsonReport.h"

#include <utility>

#include "report/Escape.h"
#include "report/Names.h"
#include "report/Wording.h"

using nlohmann::json;

namespace {

json optionalNumber(const std::optional<double>& value) {
    return value ? json(*value) : json(nullptr);
}

json proofKeyText(ProofKey key) {
    const char* const code = proofKeyCode(key);
    return code != nullptr ? json(code) : json(nullptr);
}

json optionalText(const std::string& text) {
    return text.empty() ? json(nullptr) : json(text);
}

// `verified`: the texts are proven, which takes the whole file verifying;
// `signatureHolds`: the tag's own signature held.
json tagObject(const TagStatement& tag, bool fileVerified) {
    if (!tag.present) {
        return nullptr;
    }
    return {{"kind", signatureKindCode(tag.kind)},
            {"digest", digestCode(tag.digestType)},
            {"offset", tag.offset},
            {"verified", fileVerified},
            {"signatureHolds", tag.verified},
            {"serialNumber", tag.serialNumber},
            {"startTime", tag.startTime},
            {"endTime", tag.endTime},
            {"unsignedField", optionalText(tag.unsignedField)}};
}

json coverageObject(const Coverage& coverage) {
    json parts = json::array();
    for (const CoveragePart& part : coverage.unsignedParts) {
        parts.push_back({{"name", part.name}, {"bytes", part.bytes}, {"count", part.count}});
    }
    return {{"fileSize", coverage.fileSize},
            {"signedBytes", coverage.signedBytes},
            {"verifiedBytes", coverage.verifiedBytes},
            {"unsignedParts", std::move(parts)},
            {"statement", coverage.statement}};
}

json runsArray(const std::vector<ClusterRun>& runs, ProofKey key) {
    json array = json::array();
    for (const ClusterRun& run : runs) {
        array.push_back({{"status", clusterStatusCode(run.status)},
                         {"proven", run.proven},
                         {"standing", clusterStandingCode(standingOf(run.status, run.proven, key))},
                         {"firstCluster", run.firstCluster},
                         {"lastCluster", run.lastCluster},
                         {"startOffset", run.startOffset},
                         {"endOffset", run.endOffset},
                         {"startSeconds", optionalNumber(run.startSeconds)},
                         {"endSeconds", optionalNumber(run.endSeconds)}});
    }
    return array;
}

json findingsArray(const std::vector<Finding>& findings) {
    json array = json::array();
    for (const Finding& finding : findings) {
        array.push_back({{"code", findingCodeName(finding.code)},
                         {"text", finding.text},
                         {"firstCluster", finding.firstCluster},
                         {"lastCluster", finding.lastCluster},
                         {"seconds", optionalNumber(finding.seconds)}});
    }
    return array;
}

json warningsArray(const std::vector<TimelineWarning>& warnings) {
    json array = json::array();
    for (const TimelineWarning& warning : warnings) {
        array.push_back({{"code", warning.code}, {"text", warning.text}});
    }
    return array;
}

json firstFailureObject(const std::optional<FirstFailure>& failure) {
    if (!failure) {
        return nullptr;
    }
    return {{"cluster", failure->cluster},
            {"offset", failure->offset},
            {"seconds", optionalNumber(failure->seconds)},
            {"wallClock", optionalText(failure->wallClock)}};
}

json clustersArray(const std::vector<ClusterEntry>& clusters, ProofKey key) {
    json array = json::array();
    for (const ClusterEntry& c : clusters) {
        array.push_back({{"number", c.number},
                         {"offset", c.headerOffset},
                         {"size", c.size},
                         {"signedStart", c.signedStart},
                         {"signedEnd", c.signedEnd},
                         {"seconds", optionalNumber(c.seconds)},
                         {"keyedBy", keyTrialNumber(c.keyedBy)},
                         {"kind", signatureKindCode(c.kind)},
                         {"digest", digestCode(c.digestType)},
                         {"status", clusterStatusCode(c.status)},
                         {"proven", c.proven},
                         {"standing", clusterStandingCode(standingOf(c.status, c.proven, key))},
                         {"keyFrom", c.keyFrom},
                         {"unsignedFrames", c.unsignedFrames}});
    }
    return array;
}

json provenanceObject(const Provenance& provenance) {
    return {{"tagKind", signatureKindCode(provenance.tagKind)},
            {"firstClusterKind", signatureKindCode(provenance.firstClusterKind)},
            {"statements", provenance.statements}};
}

}  // namespace

json jsonVerifier(const ReportContext& run) {
    return {{"name", run.verifierName},
            {"version", run.version},
            {"build", run.build},
            {"openssl", run.opensslVersion},
            {"publicKeySha256", run.publicKeySha256},
            {"hmacKeySha256", run.hmacKeySha256},
            {"examiner", run.examiner},
            {"caseReference", run.caseReference}};
}

json jsonFileObject(const RecordingEvidence& evidence, const ReportContext& run, bool clusters) {
    const RecordingVerdict& v = evidence.verdict;
    const FileIdentity& id = evidence.identity;
    json object = {{"file", fileNameOf(id.path)},
                   {"path", id.path},
                   {"code", verdictNumber(v.code)},
                   {"verdict", verdictWord(v)},
                   {"startTime", v.startTime},
                   {"endTime", v.endTime},
                   {"serialNumber", v.serialNumber},
                   {"errorText", v.errorText},
                   {"detail", v.detail},
                   {"reportVersion", kReportVersion},
                   {"proofKey", proofKeyText(evidence.proofKey)},
                   {"originProven", evidence.originProven},
                   {"size", id.size >= 0 ? json(id.size) : json(nullptr)},
                   {"modified", optionalText(id.modifiedUtc)},
                   {"sha256", optionalText(id.sha256)},
                   {"identityError", optionalText(id.error)},
                   {"tag", tagObject(evidence.tag, v.code == VerdictCode::Success)},
                   {"provenance", provenanceObject(evidence.provenance)},
                   {"coverage", coverageObject(evidence.coverage)},
                   {"clusterCount", evidence.clusterCount},
                   {"medianClusterSeconds", optionalNumber(evidence.medianClusterSeconds)},
                   {"runs", runsArray(evidence.runs, evidence.proofKey)},
                   {"findings", findingsArray(evidence.findings)},
                   {"warnings", warningsArray(evidence.warnings)},
                   {"firstFailure", firstFailureObject(evidence.firstFailure)},
                   {"verifier", jsonVerifier(run)},
                   {"verifiedAt", run.verifiedAt}};
    if (clusters) {
        object["clusters"] = clustersArray(evidence.clusters, evidence.proofKey);
    }
    return object;
}

bool writeJsonReport(const ReportFiles& files, const ReportContext& run, bool clusters,
                     ReportSink& sink) {
    if (files.count == 0) {
        return sink.write("[]");
    }
    // As the whole array would dump with an indent of 2: each object one
    // level in. A dumped string holds no raw line break, so indenting every
    // line indents the object and nothing else.
    std::string out = "[\n";
    for (size_t i = 0; i < files.count; ++i) {
        const std::string object = dumpJson(jsonFileObject(*files.evidence(i), run, clusters), 2);
        out += i == 0 ? "  " : ",\n  ";
        for (const char c : object) {
            out += c;
            if (c == '\n') {
                out += "  ";
            }
        }
        if (!sink.write(out)) {
            return false;
        }
        out.clear();
    }
    return sink.write("\n]");
}

std::string jsonReport(const std::vector<RecordingEvidence>& files, const ReportContext& run,
                       bool clusters) {
    StringSink sink;
    writeJsonReport(lentFiles(files), run, clusters, sink);
    return std::move(sink.text);
}

std::string jsonLine(const RecordingEvidence& evidence, const ReportContext& run, bool clusters) {
    return dumpJson(jsonFileObject(evidence, run, clusters));
}
