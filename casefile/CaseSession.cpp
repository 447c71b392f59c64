#include "casefile/CaseSession.h"

#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "report/Escape.h"
#include "report/JsonReport.h"

std::string casePath(const std::string& given) {
    return absoluteNormalPath(given);
}

FileFacts fileFactsOf(const FileIdentity& identity, const std::string& casePathBytes) {
    FileFacts facts;
    facts.path = casePathBytes;
    if (identity.size >= 0) {
        facts.size = identity.size;
    }
    if (!identity.modifiedUtc.empty()) {
        facts.modified = identity.modifiedUtc;
    }
    if (!identity.sha256.empty()) {
        facts.sha256 = identity.sha256;
    } else {
        struct stat st {};
        facts.missing = ::lstat(casePathBytes.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
    }
    return facts;
}

CaseSession::CaseSession(CaseFile& file_, Actor actor_, ReportContext run_, bool clusters_)
    : file(file_), actor(std::move(actor_)), run(std::move(run_)), clusters(clusters_) {}

namespace {

// The fixity finding the case adds to the evidence, if any.
std::optional<Finding> addedFinding(const FixityCheck& fixity) {
    const std::optional<FixityFinding> finding = fixityFinding(fixity);
    if (!finding) {
        return std::nullopt;
    }
    Finding added;
    added.code = finding->code;
    added.text = finding->text;
    return added;
}

}  // namespace

RecordedVerification CaseSession::record(RecordingEvidence& evidence) {
    std::optional<RecordingEvidence> changed;
    RecordedVerification recorded = record(static_cast<const RecordingEvidence&>(evidence), changed);
    if (changed) {
        evidence = std::move(*changed);
    }
    return recorded;
}

RecordedVerification CaseSession::record(const RecordingEvidence& evidence,
                                         std::optional<RecordingEvidence>& changed) {
    VerificationFacts facts;
    facts.file = fileFactsOf(evidence.identity, casePath(evidence.identity.path));
    facts.code = verdictNumber(evidence.verdict.code);
    facts.verifiedAt = run.verifiedAt;
    return file.recordVerification(actor, facts, [&](const FixityCheck& fixity) {
        std::optional<Finding> added = addedFinding(fixity);
        if (!added) {
            return jsonLine(evidence, run, clusters);
        }
        changed = evidence;
        // Last: the first finding stays the one that placed the verdict.
        changed->findings.push_back(std::move(*added));
        return jsonLine(*changed, run, clusters);
    });
}

void CaseSession::recordExport(const std::string& format, const std::string& path,
                               const std::string& sha256) {
    file.recordExport(actor, format, casePath(path), sha256);
}

std::vector<std::string> CaseSession::custodyLines(const std::string& givenPath) const {
    std::vector<std::string> lines;
    const std::optional<RecordingRow> row = file.recordingByPath(casePath(givenPath));
    if (row) {
        for (const CustodyEvent& event : file.events(row->id)) {
            lines.push_back(custodyLine(event));
        }
    }
    return lines;
}

std::string custodyLine(const CustodyEvent& event) {
    std::string line = "#" + std::to_string(event.seq) + " " + event.at + " " +
                       eventKindCode(event.kind) + " by " + event.actor.examiner + " on " +
                       event.actor.host + " with " + event.actor.program + " " +
                       event.actor.version;
    if (!event.detail.empty()) {
        line += ": " + event.detail;
    }
    if (event.sha256) {
        line += " (SHA-256 " + *event.sha256 + ")";
    }
    return line;
}
