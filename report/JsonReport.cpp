#include "report/JsonReport.h"

#include <utility>

#include "report/Escape.h"
#include "report/JsonWriters.h"
#include "report/Names.h"
#include "report/Wording.h"

using nlohmann::json;

namespace {

// One file's object, through either writer of JsonWriters.h. Every
// object's members go in sorted key order.

template <class W>
void optionalText(W& w, const char* key, const std::string& text) {
    if (text.empty()) {
        w.null(key);
    } else {
        w.text(key, text);
    }
}

// `fileVerified`: the texts are proven, which takes the whole file
// verifying; `signatureHolds`: the tag's own signature held.
template <class W>
void tagObject(W& w, const TagStatement& tag, bool fileVerified) {
    if (!tag.present) {
        w.null("tag");
        return;
    }
    w.beginObject("tag");
    w.code("digest", digestCode(tag.digestType));
    w.text("endTime", tag.endTime);
    w.code("kind", signatureKindCode(tag.kind));
    w.integer("offset", tag.offset);
    w.text("serialNumber", tag.serialNumber);
    w.boolean("signatureHolds", tag.verified);
    w.text("startTime", tag.startTime);
    optionalText(w, "unsignedField", tag.unsignedField);
    w.boolean("verified", fileVerified);
    w.end();
}

template <class W>
void coverageObject(W& w, const Coverage& coverage) {
    w.beginObject("coverage");
    w.integer("fileSize", coverage.fileSize);
    w.integer("signedBytes", coverage.signedBytes);
    w.text("statement", coverage.statement);
    w.beginArray("unsignedParts");
    for (const CoveragePart& part : coverage.unsignedParts) {
        w.beginObject();
        w.integer("bytes", part.bytes);
        w.integer("count", part.count);
        w.text("name", part.name);
        w.end();
    }
    w.end();
    w.integer("verifiedBytes", coverage.verifiedBytes);
    w.end();
}

template <class W>
void runsArray(W& w, const std::vector<ClusterRun>& runs, ProofKey key) {
    w.beginArray("runs");
    for (const ClusterRun& run : runs) {
        w.beginObject();
        w.integer("endOffset", run.endOffset);
        w.real("endSeconds", run.endSeconds);
        w.integer("firstCluster", run.firstCluster);
        w.boolean("inSealedOrder", run.inSealedOrder);
        w.integer("lastCluster", run.lastCluster);
        w.boolean("proven", run.proven);
        w.code("standing", clusterStandingCode(standingOf(run, key)));
        w.integer("startOffset", run.startOffset);
        w.real("startSeconds", run.startSeconds);
        w.code("status", clusterStatusCode(run.status));
        w.end();
    }
    w.end();
}

template <class W>
void findingsArray(W& w, const std::vector<Finding>& findings) {
    w.beginArray("findings");
    for (const Finding& finding : findings) {
        w.beginObject();
        w.code("code", findingCodeName(finding.code));
        w.integer("firstCluster", finding.firstCluster);
        w.integer("lastCluster", finding.lastCluster);
        w.real("seconds", finding.seconds);
        w.text("text", finding.text);
        w.end();
    }
    w.end();
}

template <class W>
void warningsArray(W& w, const std::vector<TimelineWarning>& warnings) {
    w.beginArray("warnings");
    for (const TimelineWarning& warning : warnings) {
        w.beginObject();
        w.text("code", warning.code);
        w.text("text", warning.text);
        w.end();
    }
    w.end();
}

template <class W>
void firstFailureObject(W& w, const std::optional<FirstFailure>& failure) {
    if (!failure) {
        w.null("firstFailure");
        return;
    }
    w.beginObject("firstFailure");
    w.integer("cluster", failure->cluster);
    w.integer("offset", failure->offset);
    w.real("seconds", failure->seconds);
    optionalText(w, "wallClock", failure->wallClock);
    w.end();
}

template <class W>
void clustersArray(W& w, const std::vector<ClusterEntry>& clusters, ProofKey key) {
    w.beginArray("clusters");
    for (const ClusterEntry& c : clusters) {
        w.beginObject();
        w.code("digest", digestCode(c.digestType));
        w.boolean("inSealedOrder", c.inSealedOrder);
        w.integer("keyFrom", c.keyFrom);
        w.integer("keyedBy", keyTrialNumber(c.keyedBy));
        w.code("kind", signatureKindCode(c.kind));
        w.integer("number", c.number);
        w.integer("offset", c.headerOffset);
        w.boolean("proven", c.proven);
        w.real("seconds", c.seconds);
        w.integer("signedEnd", c.signedEnd);
        w.integer("signedStart", c.signedStart);
        w.integer("size", c.size);
        w.code("standing", clusterStandingCode(standingOf(c, key)));
        w.code("status", clusterStatusCode(c.status));
        w.boolean("unsignedFrames", c.unsignedFrames);
        w.end();
    }
    w.end();
}

template <class W>
void provenanceObject(W& w, const Provenance& provenance) {
    w.beginObject("provenance");
    w.code("firstClusterKind", signatureKindCode(provenance.firstClusterKind));
    w.beginArray("statements");
    for (const std::string& statement : provenance.statements) {
        w.text(statement);
    }
    w.end();
    w.code("tagKind", signatureKindCode(provenance.tagKind));
    w.end();
}

template <class W>
void signingKeyObject(W& w, const std::optional<SigningKey>& key) {
    if (!key) {
        w.null("signingKey");
        return;
    }
    w.beginObject("signingKey");
    w.boolean("builtIn", key->builtIn);
    w.text("id", key->id);
    w.code("kind", key->kind.c_str());
    w.text("label", key->label);
    w.code("status", key->status.c_str());
    w.code("validity", key->validity.c_str());
    w.end();
}

template <class W>
void verifierObject(W& w, const char* key, const ReportContext& run) {
    w.beginObject(key);
    w.text("build", run.build);
    w.text("caseReference", run.caseReference);
    if (run.custodyEvents) {
        w.beginObject("custodyLog");
        w.integer("events", *run.custodyEvents);
        if (run.custodyExportEvent) {
            w.integer("exportEvent", *run.custodyExportEvent);
        }
        w.text("newest", run.custodyHead);
        if (run.custodySealKey.empty()) {
            w.null("seal");
        } else {
            w.beginObject("seal");
            w.text("examiner", run.custodySealExaminer);
            w.text("keySha256", run.custodySealKey);
            w.text("signature", run.custodySealSignature);
            w.end();
        }
        w.end();
    }
    w.text("examiner", run.examiner);
    if (!run.examinerKeyFingerprint.empty()) {
        w.beginObject("examinerKey");
        w.text("ed25519", run.examinerPublicKey);
        w.text("sha256", run.examinerKeyFingerprint);
        w.end();
    }
    w.text("hmacKeySha256", run.hmacKeySha256);
    w.beginObject("keyStore");
    w.text("description", run.keyStore);
    w.integer("keys", run.keyStoreKeys);
    optionalText(w, "sha256", run.keyStoreSha256);
    optionalText(w, "validationTime", run.validationTime);
    w.end();
    w.text("name", run.verifierName);
    w.text("openssl", run.opensslVersion);
    w.text("publicKeySha256", run.publicKeySha256);
    w.text("version", run.version);
    w.end();
}

template <class W>
void fileObject(W& w, const RecordingEvidence& evidence, const ReportContext& run, bool clusters) {
    const RecordingVerdict& v = evidence.verdict;
    const FileIdentity& id = evidence.identity;
    w.beginObject();
    w.integer("clusterCount", evidence.clusterCount);
    if (clusters) {
        clustersArray(w, evidence.clusters, evidence.proofKey);
    }
    w.integer("code", verdictNumber(v.code));
    coverageObject(w, evidence.coverage);
    w.text("detail", v.detail);
    w.text("endTime", v.endTime);
    w.text("errorText", v.errorText);
    w.text("file", fileNameOf(id.path));
    findingsArray(w, evidence.findings);
    firstFailureObject(w, evidence.firstFailure);
    optionalText(w, "identityError", id.error);
    w.real("medianClusterSeconds", evidence.medianClusterSeconds);
    optionalText(w, "modified", id.modifiedUtc);
    w.boolean("originProven", evidence.originProven);
    w.code("outcome", verdictWording(evidence).outcome);
    w.text("path", id.path);
    w.code("proofKey", proofKeyCode(evidence.proofKey));
    provenanceObject(w, evidence.provenance);
    w.integer("reportVersion", kReportVersion);
    runsArray(w, evidence.runs, evidence.proofKey);
    w.text("serialNumber", v.serialNumber);
    optionalText(w, "sha256", id.sha256);
    signingKeyObject(w, evidence.signingKey);
    if (id.size >= 0) {
        w.integer("size", id.size);
    } else {
        w.null("size");
    }
    w.text("startTime", v.startTime);
    tagObject(w, evidence.tag, v.code == VerdictCode::Success);
    w.code("verdict", verdictWord(v));
    w.text("verifiedAt", run.verifiedAt);
    verifierObject(w, "verifier", run);
    warningsArray(w, evidence.warnings);
    w.end();
}

}  // namespace

json jsonVerifier(const ReportContext& run) {
    JsonObjectWriter w;
    verifierObject(w, nullptr, run);
    return w.take();
}

json jsonFileObject(const RecordingEvidence& evidence, const ReportContext& run, bool clusters) {
    JsonObjectWriter w;
    fileObject(w, evidence, run, clusters);
    return w.take();
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
    ReportContext fileRun = run;
    for (size_t i = 0; i < files.count; ++i) {
        if (files.verifiedAt) {
            std::string at = files.verifiedAt(i);
            fileRun.verifiedAt = at.empty() ? run.verifiedAt : std::move(at);
        }
        const std::string object =
            dumpJson(jsonFileObject(*files.evidence(i), fileRun, clusters), 2);
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
    JsonLineWriter w;
    fileObject(w, evidence, run, clusters);
    return w.take();
}
