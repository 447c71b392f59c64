#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "casefile/ArchiveMerge.h"
#include "casefile/CaseFile.h"
#include "casefile/CaseLock.h"
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
    // Seals the log, then writes the report through `write` (which returns
    // the report's SHA-256, or nothing when it failed) with the sealed head
    // and the number its export event takes, records that event and seals
    // again: one transaction, so no other writer takes that number.
    using WriteReport = std::function<std::optional<std::string>(const ReportContext& run)>;
    bool exportReport(const std::string& path, const ReportContext& run, const WriteReport& write);
    // The head as it stands and the examiner's key, into a report's context.
    void describeHead(ReportContext& run) const;
    // The head as a JSON line, the last line of --jsonl.
    std::string headJsonLine() const;
    // Seals the log (once; a failure is printed) and prints the head on
    // standard error: every run that opened a case ends so, whatever its status.
    void finish();
    // For SIGINT or SIGTERM, on another thread: seals the case through a
    // connection of its own (what the run printed is in it already), prints
    // the head and ends the process with 128 + the signal's number.
    [[noreturn]] void sealAndExit(int signal) const;

    // Stores an archive run's results (--merge RUN), each once.
    MergeSummary merge(const std::string& runFolder, const ReportContext& run);

    // The paths of the case's recordings, for --reverify.
    std::vector<std::string> recordingPaths() const;

  private:
    CaseRun(std::unique_ptr<CaseLock> lock, std::unique_ptr<CaseFile> file, std::string examiner,
            std::shared_ptr<const ExaminerKey> key);
    void sealNow();
    std::unique_ptr<CaseLock> caseLock;  // let go after the file is closed
    std::unique_ptr<CaseFile> file;
    std::string examiner;
    std::shared_ptr<const ExaminerKey> key;
    bool finished = false;
    // Held while the run writes to the case; a signal's seal takes it and
    // keeps it, so nothing is written after that seal.
    mutable std::mutex writing;
    std::unique_ptr<CaseSession> session;
};

// --case-file FILE --audit: 0 intact, 1 broken, kCaseFailed when unreadable.
int auditCase(const CliOptions& options);
// --case-file FILE --list: the recordings with their latest evidence.
int listCase(const CliOptions& options);
