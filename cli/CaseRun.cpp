#include "cli/CaseRun.h"

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <thread>
#include <utility>

#include "casefile/CaseError.h"
#include "casefile/KeptHead.h"
#include "casefile/StillExports.h"
#include "cli/VerdictFormat.h"
#include "report/Escape.h"
#include "report/JsonDepth.h"

namespace {

const char* const kProgram = "telvar-verify";

void reportCaseError(const CliOptions& options, const CaseError& error) {
    std::cerr << "telvar-verify: " << displayText(options.caseFile) << ": "
              << displayText(error.what()) << '\n';
}

CaseOpenOptions readOnly() {
    CaseOpenOptions open;
    open.access = CaseOpenOptions::Access::ReadOnly;
    return open;
}

// A recording of --list: what the case holds on it, with the evidence as
// stored (or null before any verification). Evidence that cannot be read
// (not JSON, nested past the bound, past SQLite's limit) is null with
// `evidenceError` saying why, so one bad row leaves the output valid.
nlohmann::json listObject(const CaseFile& file, const RecordingRow& row) {
    const auto text = [](const std::optional<std::string>& value) {
        return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
    };
    nlohmann::json evidence = nullptr;
    std::string evidenceError;
    try {
        if (const std::optional<StoredVerification> latest = file.latestVerification(row.id)) {
            evidence = parseStoredJson(latest->evidenceJson);
            if (evidence.is_discarded()) {
                evidence = nullptr;
                evidenceError = "the stored evidence of recording " + std::to_string(row.id) +
                                " is not a JSON object this program reads (damaged, or nested too "
                                "deep); verify the file again";
            }
        }
    } catch (const CaseError& error) {
        evidenceError = "the stored evidence of recording " + std::to_string(row.id) +
                        " cannot be read: " + error.what();
    }
    nlohmann::json object = {
        {"recording", row.id},
        {"path", row.path},
        {"size", row.size ? nlohmann::json(*row.size) : nlohmann::json(nullptr)},
        {"modified", text(row.modified)},
        {"intakeSha256", text(row.intakeSha256)},
        {"addedAt", row.addedAt},
        {"fixity", row.latestFixity.empty() ? nlohmann::json(nullptr) : nlohmann::json(row.latestFixity)},
        {"evidence", std::move(evidence)}};
    if (!evidenceError.empty()) {
        object["evidenceError"] = evidenceError;
    }
    return object;
}

std::string listLine(const RecordingRow& row) {
    std::string verdict = "Not verified";
    if (row.latestCode) {
        verdict = *row.latestCode == 0 ? "Success" : "Failed";
    }
    verdict.resize(12, ' ');
    std::string fixity = row.latestFixity.empty() ? "-" : row.latestFixity;
    fixity.resize(10, ' ');
    return verdict + " " + fixity + " " + displayText(row.path);
}

// The fixity's line for the text output, unless the file's own lines
// already tell it (a failed file lists every finding, this one last).
std::string fixityLine(const RecordingEvidence& evidence, const RecordedVerification& recorded) {
    const std::optional<FixityFinding> finding = fixityFinding(recorded.fixity);
    if (!finding) {
        return std::string();
    }
    const std::string code = findingCodeName(finding->code);
    if (textLines(evidence).find(code + ": ") != std::string::npos) {
        return std::string();
    }
    return "\n    " + code + ": " + displayText(finding->text);
}

}  // namespace

CaseRun::CaseRun(std::unique_ptr<CaseLock> lock_, std::unique_ptr<CaseFile> file_,
                 std::string examiner_, std::shared_ptr<const ExaminerKey> key_)
    : caseLock(std::move(lock_)),
      file(std::move(file_)),
      examiner(std::move(examiner_)),
      key(std::move(key_)) {}

std::unique_ptr<CaseRun> CaseRun::open(const CliOptions& options, bool create) {
    CaseOpenOptions open;
    open.create = create;
    open.reference = options.caseReference;
    open.creator = currentActor(kProgram, options.examiner);
    try {
        open.examinerKey = std::make_shared<const ExaminerKey>(ExaminerKey::loadOrCreate(
            options.examinerKey.empty() ? ExaminerKey::defaultPath() : options.examinerKey));
    } catch (const CaseError& error) {
        std::cerr << "telvar-verify: " << displayText(error.what()) << '\n';
        return nullptr;
    }
    // One writer per case, as the window keeps it: another run of this
    // program is waited for, as long as SQLite would wait for its lock; a
    // window holding the case is named at once, since it holds it for long.
    std::optional<CaseLock::Holder> heldBy;
    std::unique_ptr<CaseLock> lock;
    const std::string caseBytes = absoluteNormalPath(options.caseFile);
    const auto giveUp =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(open.busyTimeoutMs);
    while (!(lock = CaseLock::take(caseBytes, kProgram, heldBy)) && heldBy &&
           heldBy->program == kProgram && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (heldBy) {
        std::cerr << "telvar-verify: " << displayText(options.caseFile)
                  << ": the case is open for writing in " << holderText(*heldBy)
                  << "; nothing was verified. Close it there, or wait for that run to end, "
                     "then run this again\n";
        return nullptr;
    }
    try {
        auto file = std::make_unique<CaseFile>(options.caseFile, open);
        if (!file->writable()) {
            throw CaseError(CaseErrorKind::ReadOnly,
                            "the case file cannot be written: " + file->readOnlyReason() +
                                "; it can be listed and audited");
        }
        return std::unique_ptr<CaseRun>(
            new CaseRun(std::move(lock), std::move(file), options.examiner, open.examinerKey));
    } catch (const CaseError& error) {
        reportCaseError(options, error);
        return nullptr;
    }
}

CaseRun::~CaseRun() {
    std::string problem;
    if (!file->foldLog(&problem)) {
        std::cerr << "telvar-verify: " << displayText(file->path())
                  << ": the log could not be folded back into the case file (" << displayText(problem)
                  << "); its newest events are in " << displayText(file->path())
                  << "-wal, which must stay beside it and be copied with it\n";
    }
}

std::string CaseRun::reference() const {
    return file->info().reference;
}

void CaseRun::start(const ReportContext& run, const CliOptions& options) {
    session = std::make_unique<CaseSession>(*file, currentActor(kProgram, examiner), run,
                                            options.clusters);
}

void CaseRun::record(std::vector<RecordingEvidence>& files, const Stored& stored) {
    const std::lock_guard<std::mutex> lock(writing);
    std::vector<RecordedVerification> recorded;
    // A fixity finding is added once the case holds the verification.
    std::vector<std::optional<RecordingEvidence>> changed(files.size());
    // The results handed in together came together.
    session->setVerifiedAt(utcNowText());
    if (files.size() > 1) {
        try {
            Transaction transaction = file->batch();
            for (size_t i = 0; i < files.size(); ++i) {
                recorded.push_back(session->record(std::as_const(files[i]), changed[i]));
            }
            transaction.commit();
        } catch (const CaseError&) {
            // SQLite may have undone the whole transaction. The first one
            // fails as it would alone; after others, each goes alone.
            if (recorded.empty()) {
                throw;
            }
            recorded.clear();
            changed.assign(files.size(), std::nullopt);
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (i == recorded.size()) {
            recorded.push_back(session->record(std::as_const(files[i]), changed[i]));
        }
        if (changed[i]) {
            files[i] = std::move(*changed[i]);
        }
        stored(files[i], fixityLine(files[i], recorded[i]), session->verifiedAt());
    }
}

void CaseRun::addToReport(ReportContext& run, HtmlReportOptions& report,
                          const std::vector<RecordingEvidence>& files) const {
    describeHead(run);
    addExportedStills(*file, run);
    report.custody.clear();
    for (const RecordingEvidence& evidence : files) {
        report.custody.push_back(session->custodyLines(evidence.identity.path));
    }
}

void CaseRun::describeHead(ReportContext& run) const {
    ::describeHead(file->head(), key.get(), run);
}

bool CaseRun::exportReport(const std::string& path, const ReportContext& run,
                           const WriteReport& write) {
    const std::lock_guard<std::mutex> lock(writing);
    const Actor actor = currentActor(kProgram, examiner);
    std::optional<std::string> sha256;
    {
        Transaction transaction = file->batch();
        file->seal(actor);
        ReportContext sealed = run;
        describeHead(sealed);
        sealed.custodyExportEvent = *sealed.custodyEvents + 1;
        sha256 = write(sealed);
        if (!sha256) {
            return false;  // nothing recorded: the transaction rolls back
        }
        session->recordExport("html", path, *sha256);
        transaction.commit();
    }
    file->seal(actor);
    return true;
}

void CaseRun::sealNow() {
    file->seal(currentActor(kProgram, examiner));
}

std::string CaseRun::headJsonLine() const {
    ReportContext run;
    describeHead(run);
    nlohmann::json seal = nullptr;
    if (!run.custodySealKey.empty()) {
        seal = {{"examiner", run.custodySealExaminer},
                {"keySha256", run.custodySealKey},
                {"signature", run.custodySealSignature}};
    }
    return dumpJson(nlohmann::json{{"custodyLog",
                                    {{"caseFile", file->path()},
                                     {"events", *run.custodyEvents},
                                     {"newest", run.custodyHead},
                                     {"seal", std::move(seal)}}}});
}

void CaseRun::sealAndExit(int signal) const {
    // Kept until the process ends: the run writes nothing after this seal.
    writing.lock();
    try {
        CaseOpenOptions open;
        open.examinerKey = key;
        CaseFile own(file->path(), open);
        own.seal(currentActor(kProgram, examiner));
        std::cerr << "\nCase file " << displayText(own.path()) << ": " << headText(own.head())
                  << std::endl;
    } catch (const CaseError& error) {
        std::cerr << "\ntelvar-verify: " << displayText(file->path())
                  << ": the run could not be sealed: " << displayText(error.what()) << std::endl;
    }
    std::_Exit(128 + signal);
}

void CaseRun::finish() {
    if (finished) {
        return;
    }
    finished = true;
    const std::lock_guard<std::mutex> lock(writing);
    try {
        sealNow();
    } catch (const CaseError& error) {
        std::cerr << "telvar-verify: " << displayText(file->path())
                  << ": the run could not be sealed: " << displayText(error.what()) << '\n';
    }
    try {
        std::cerr << "Case file " << displayText(file->path()) << ": " << headText(file->head())
                  << std::endl;
    } catch (const CaseError& error) {
        std::cerr << "telvar-verify: " << displayText(file->path())
                  << ": the custody log's head cannot be read: " << displayText(error.what())
                  << '\n';
    }
}

MergeSummary CaseRun::merge(const std::string& runFolder, const ReportContext& run) {
    // Taken for each transaction: a signal's seal waits for one, not for all.
    return mergeRun(*file, currentActor(kProgram, examiner), run, runFolder, &writing);
}

std::vector<std::string> CaseRun::recordingPaths() const {
    std::vector<std::string> paths;
    for (const RecordingRow& row : file->recordings()) {
        paths.push_back(file->whereNow(row));
    }
    return paths;
}

int auditCase(const CliOptions& options) {
    try {
        const CaseFile file(options.caseFile, readOnly());
        const AuditResult result = file.audit();
        if (!result.intact()) {
            std::cout << "Custody log broken at event " << *result.brokenEvent << ": "
                      << displayText(result.problem) << '\n';
            return 1;
        }
        std::cout << "Custody log intact: " << result.events
                  << " events; SHA-256 of the newest " << result.head << '\n';
        for (const std::string& line : sealLines(result)) {
            std::cout << displayText(line) << '\n';
        }
        bool good = result.sealed();
        if (!options.expectHead.empty()) {
            const HeadCheck check = checkKeptHead(file, options.expectHead);
            std::cout << displayText(check.text) << '\n';
            good = good && check.found;
        }
        if (!options.reportFile.empty()) {
            const HeadCheck check = checkKeptReport(file, result, options.reportFile);
            std::cout << displayText(check.text) << '\n';
            good = good && check.found;
        }
        return good ? 0 : 1;
    } catch (const CaseError& error) {
        reportCaseError(options, error);
        return kCaseFailed;
    }
}

int listCase(const CliOptions& options) {
    // Set once output has begun, so a failure part way still ends it as
    // valid JSON before the reason goes to standard error.
    bool arrayOpen = false;
    int64_t lastListed = 0;
    try {
        const CaseFile file(options.caseFile, readOnly());
        // One recording in memory at a time, however large the case.
        if (options.json || options.jsonLines) {
            bool any = false;
            if (options.json) {
                std::cout << '[';
                arrayOpen = true;
            }
            file.forEachRecording([&](const RecordingRow& row) {
                if (any) {
                    std::cout << (options.json ? "," : "\n");
                }
                std::cout << dumpJson(listObject(file, row));
                any = true;
                lastListed = row.id;
            });
            if (options.json) {
                std::cout << ']';
                arrayOpen = false;
            }
            if (options.json || any) {
                std::cout << '\n';
            }
        } else {
            file.forEachRecording([&](const RecordingRow& row) {
                std::cout << listLine(row) << '\n';
                lastListed = row.id;
            });
        }
        std::cout.flush();
        return 0;
    } catch (const CaseError& error) {
        if (arrayOpen) {
            std::cout << "]\n";
        }
        std::cout.flush();
        std::cerr << "telvar-verify: " << displayText(options.caseFile) << ": "
                  << (lastListed > 0 ? "after recording " + std::to_string(lastListed) + ": "
                                     : std::string())
                  << displayText(error.what()) << '\n';
        return kCaseFailed;
    }
}
