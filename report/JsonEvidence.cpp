#include "report/JsonEvidence.h"

#include <nlohmann/json.hpp>

#include "report/JsonDepth.h"
#include "report/Names.h"
#include "signature/Hex.h"

using nlohmann::json;

namespace {

// The member's exact bytes when the writer kept them beside it, else its text.
std::string text(const json& object, const char* key) {
    const json& exact = storedMember(object, (std::string(key) + "Bytes").c_str());
    if (exact.is_string()) {
        if (std::optional<std::string> bytes = bytesOfHex(exact.get_ref<const std::string&>(), HexDigits::AnyCase)) {
            return *bytes;
        }
    }
    const json& value = storedMember(object, key);
    return value.is_string() ? value.get<std::string>() : std::string();
}

int64_t integer(const json& object, const char* key, int64_t fallback) {
    const json& value = storedMember(object, key);
    return value.is_number_integer() ? value.get<int64_t>() : fallback;
}

std::optional<double> number(const json& object, const char* key) {
    const json& value = storedMember(object, key);
    return value.is_number() ? std::optional<double>(value.get<double>()) : std::nullopt;
}

bool flag(const json& object, const char* key) {
    const json& value = storedMember(object, key);
    return value.is_boolean() && value.get<bool>();
}

uint8_t signatureKind(const std::string& code) {
    return code == "rsa" ? 1 : code == "hmac" ? 2 : 0;
}

uint8_t digest(const std::string& code) {
    for (uint8_t d = 1; d <= 4; ++d) {
        if (code == digestCode(d)) {
            return d;
        }
    }
    return 0;
}

ClusterStatus status(const std::string& code) {
    for (const ClusterStatus s : {ClusterStatus::Verified, ClusterStatus::Mismatch,
                                  ClusterStatus::Unsigned, ClusterStatus::Error}) {
        if (code == clusterStatusCode(s)) {
            return s;
        }
    }
    return ClusterStatus::NotChecked;
}

std::optional<FindingCode> findingCode(const std::string& name) {
    for (const FindingCodeName& known : findingCodes()) {
        if (name == known.name) {
            return known.code;
        }
    }
    return std::nullopt;
}

KeyTrial keyTrial(int64_t number) {
    if (number == -1) {
        return KeyTrial::noneHolds();
    }
    if (number == 0) {
        return KeyTrial::holdsUnder(std::nullopt);
    }
    if (number > 0) {
        return KeyTrial::holdsUnder(number);
    }
    return KeyTrial{};
}

template <typename Read>
void eachOf(const json& object, const char* key, Read read) {
    const json& array = storedMember(object, key);
    if (array.is_array()) {
        for (const json& item : array) {
            if (item.is_object()) {
                read(item);
            }
        }
    }
}

void readTag(const json& object, TagStatement& tag) {
    const json& t = storedMember(object, "tag");
    if (!t.is_object()) {
        return;
    }
    tag.present = true;
    tag.kind = signatureKind(text(t, "kind"));
    tag.digestType = digest(text(t, "digest"));
    tag.offset = integer(t, "offset", -1);
    tag.verified = flag(t, "signatureHolds");
    tag.serialNumber = text(t, "serialNumber");
    tag.startTime = text(t, "startTime");
    tag.endTime = text(t, "endTime");
    tag.unsignedField = text(t, "unsignedField");
}

void readCoverage(const json& object, Coverage& coverage) {
    const json& c = storedMember(object, "coverage");
    coverage.fileSize = integer(c, "fileSize", 0);
    coverage.signedBytes = integer(c, "signedBytes", 0);
    coverage.verifiedBytes = integer(c, "verifiedBytes", 0);
    coverage.statement = text(c, "statement");
    eachOf(c, "unsignedParts", [&](const json& part) {
        coverage.unsignedParts.push_back(
            {text(part, "name"), integer(part, "bytes", 0), integer(part, "count", 0)});
    });
}

void readProvenance(const json& object, Provenance& provenance) {
    const json& p = storedMember(object, "provenance");
    provenance.tagKind = signatureKind(text(p, "tagKind"));
    provenance.firstClusterKind = signatureKind(text(p, "firstClusterKind"));
    const json& statements = storedMember(p, "statements");
    if (statements.is_array()) {
        for (const json& statement : statements) {
            if (statement.is_string()) {
                provenance.statements.push_back(statement.get<std::string>());
            }
        }
    }
}

void readRuns(const json& object, std::vector<ClusterRun>& runs) {
    eachOf(object, "runs", [&](const json& r) {
        ClusterRun run;
        run.status = status(text(r, "status"));
        run.proven = flag(r, "proven");
        run.inSealedOrder = flag(r, "inSealedOrder");
        run.firstCluster = integer(r, "firstCluster", 0);
        run.lastCluster = integer(r, "lastCluster", 0);
        run.startOffset = integer(r, "startOffset", -1);
        run.endOffset = integer(r, "endOffset", -1);
        run.startSeconds = number(r, "startSeconds");
        run.endSeconds = number(r, "endSeconds");
        runs.push_back(run);
    });
}

void readFindings(const json& object, RecordingEvidence& evidence) {
    eachOf(object, "findings", [&](const json& f) {
        Finding finding;
        // A code this program does not know is a finding still; it keeps its text.
        finding.code = findingCode(text(f, "code")).value_or(FindingCode::FileError);
        finding.text = text(f, "text");
        finding.firstCluster = integer(f, "firstCluster", 0);
        finding.lastCluster = integer(f, "lastCluster", 0);
        finding.seconds = number(f, "seconds");
        evidence.findings.push_back(std::move(finding));
    });
    eachOf(object, "warnings", [&](const json& w) {
        evidence.warnings.push_back({text(w, "code"), text(w, "text")});
    });
}

void readClusters(const json& object, std::vector<ClusterEntry>& clusters) {
    eachOf(object, "clusters", [&](const json& c) {
        ClusterEntry entry;
        entry.number = integer(c, "number", 0);
        entry.headerOffset = integer(c, "offset", -1);
        entry.size = integer(c, "size", 0);
        entry.signedStart = integer(c, "signedStart", -1);
        entry.signedEnd = integer(c, "signedEnd", -1);
        entry.seconds = number(c, "seconds");
        entry.keyedBy = keyTrial(integer(c, "keyedBy", -2));
        entry.kind = signatureKind(text(c, "kind"));
        entry.digestType = digest(text(c, "digest"));
        entry.status = status(text(c, "status"));
        entry.proven = flag(c, "proven");
        entry.inSealedOrder = flag(c, "inSealedOrder");
        entry.keyFrom = integer(c, "keyFrom", 0);
        entry.unsignedFrames = flag(c, "unsignedFrames");
        clusters.push_back(entry);
    });
}

}  // namespace

std::optional<StoredEvidence> evidenceFromJson(const std::string& jsonText) {
    const json object = parseStoredJson(jsonText);
    const std::optional<VerdictCode> code = verdictFromNumber(integer(object, "code", -2));
    if (!object.is_object() || !code) {
        return std::nullopt;
    }
    StoredEvidence stored;
    RecordingEvidence& evidence = stored.evidence;
    RecordingVerdict& verdict = evidence.verdict;
    verdict.code = *code;
    verdict.errorText = text(object, "errorText");
    verdict.detail = text(object, "detail");
    verdict.startTime = text(object, "startTime");
    verdict.endTime = text(object, "endTime");
    verdict.serialNumber = text(object, "serialNumber");

    const std::string key = text(object, "proofKey");
    evidence.proofKey = key == "rsa" ? ProofKey::Rsa : key == "hmac" ? ProofKey::Hmac : ProofKey::None;
    evidence.originProven = flag(object, "originProven");
    const auto signer = object.find("signingKey");
    if (signer != object.end() && signer->is_object()) {
        evidence.signingKey =
            SigningKey{text(*signer, "id"),       text(*signer, "label"),
                       text(*signer, "kind"),     text(*signer, "status"),
                       text(*signer, "validity"), flag(*signer, "builtIn")};
    }
    FileIdentity& identity = evidence.identity;
    identity.path = text(object, "path");
    identity.size = integer(object, "size", -1);
    identity.modifiedUtc = text(object, "modified");
    identity.sha256 = text(object, "sha256");
    identity.error = text(object, "identityError");

    readTag(object, evidence.tag);
    readProvenance(object, evidence.provenance);
    readCoverage(object, evidence.coverage);
    evidence.clusterCount = integer(object, "clusterCount", 0);
    evidence.medianClusterSeconds = number(object, "medianClusterSeconds");
    readRuns(object, evidence.runs);
    readFindings(object, evidence);
    const json& failure = storedMember(object, "firstFailure");
    if (failure.is_object()) {
        evidence.firstFailure = FirstFailure{integer(failure, "cluster", 0),
                                             integer(failure, "offset", -1),
                                             number(failure, "seconds"), text(failure, "wallClock")};
    }
    readClusters(object, evidence.clusters);

    stored.verifiedAt = text(object, "verifiedAt");
    const json& verifier = storedMember(object, "verifier");
    stored.verifier = text(verifier, "name");
    stored.examiner = text(verifier, "examiner");
    return stored;
}
