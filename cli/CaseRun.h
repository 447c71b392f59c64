#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "casefile/CaseFile.h"
#include "casefile/CaseSession.h"
#include "cli/CliOptions.h"
#include "report/HtmlReport.h"

// Exit status when the case file cannot be opened, read or written.
constexpr int kCaseFailed = 4;
// Results stored in one transaction at most: the case's write lock is held
// briefly, so another writer's turn comes soon.
constexpr size_t kMostInOneTransaction = 500;

// telvar-verify's side of --case-file: the case opened for one run, each
// result recorded before it is printed, and the report's custody lines.
class CaseRun {
  public:
    // Null with the reason printed when the case cannot be opened.
    static std::unique_ptr<CaseRun> open(const CliOptions& options, bool create);
    // Folds the case's log back into its file, on every exit status, and
    // says so on standard error when it cannot (the "-wal" file then holds
    // the newest events).
    ~CaseRun();

    // The case's own reference, for a run given none.
    std::string reference() const;
    void start(const ReportContext& run, const CliOptions& options);

    // Stores the files' verifications in one transaction, so one sync
    // serves them all, then hands each on in order with the fixity's line
    // for the text output ("\n    fixity: …", or empty) and the time it was
    // stored with (when its result came, not when the run began). Throws
    // CaseError for the first one that cannot be stored, after handing on
    // those before it: what is handed on is in the case.
    using Stored = std::function<void(RecordingEvidence& evidence, const std::string& fixityLine,
                                      const std::string& verifiedAt)>;
    void record(std::vector<RecordingEvidence>& files, const Stored& stored);
    // The custody log as it stands, and each file's events, for the report.
    void addToReport(ReportContext& run, HtmlReportOptions& report,
                     const std::vector<RecordingEvidence>& files) const;
    void recordExport(const std::string& path, const std::string& sha256);
    // "Case file …: N events; newest SHA-256 …", for standard error.
    std::string summary() const;

    // The paths of the case's recordings, for --reverify.
    std::vector<std::string> recordingPaths() const;

  private:
    CaseRun(std::unique_ptr<CaseFile> file, std::string examiner);
    std::unique_ptr<CaseFile> file;
    std::string examiner;
    std::unique_ptr<CaseSession> session;
};

// --case-file FILE --audit: 0 intact, 1 broken, kCaseFailed when unreadable.
int auditCase(const CliOptions& options);
// --case-file FILE --list: the recordings with their latest evidence.
int listCase(const CliOptions& options);
