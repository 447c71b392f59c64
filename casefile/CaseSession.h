#pragma once

#include <optional>
#include <string>
#include <vector>

#include "casefile/CaseFile.h"
#include "report/ReportContext.h"
#include "signature/RecordingEvidence.h"

// A path as the case keeps it: absoluteNormalPath, so "sub/a.mkv" and
// "./sub/../sub/a.mkv" are one recording; symbolic links are not resolved,
// so the case names what the examiner named.
std::string casePath(const std::string& given);

// The facts of a file as its evidence took them.
FileFacts fileFactsOf(const FileIdentity& identity, const std::string& casePathBytes);

// One program run writing to a case: each result is stored with the
// verifier block of the run, as telvar-verify prints its JSON object.
class CaseSession {
  public:
    CaseSession(CaseFile& file, Actor actor, ReportContext run, bool clusters);

    // Stores the file's verification in one transaction, after adding the
    // fixity finding (a changed, missing or unreadable file) to `evidence`.
    RecordedVerification record(RecordingEvidence& evidence);
    // The same for evidence shared with others, copied into `changed` only
    // when a fixity finding is added.
    RecordedVerification record(const RecordingEvidence& evidence,
                                std::optional<RecordingEvidence>& changed);
    // The time the next results are stored with (their evidence's
    // "verifiedAt" and the verification's verified_at): each file's own.
    void setVerifiedAt(std::string utc) { run.verifiedAt = std::move(utc); }
    const std::string& verifiedAt() const { return run.verifiedAt; }
    void recordExport(const std::string& format, const std::string& path,
                      const std::string& sha256);

    // The custody events of a recording as lines for a report, oldest first.
    std::vector<std::string> custodyLines(const std::string& givenPath) const;

  private:
    CaseFile& file;
    Actor actor;
    ReportContext run;
    bool clusters;
};

// "#12 2026-12-08T17:02:11Z verified-again by NAME on HOST with PROGRAM VERSION: DETAIL"
std::string custodyLine(const CustodyEvent& event);
