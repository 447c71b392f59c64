// A case of many recordings: how long opening it takes and how much memory
// the list needs, for bench/case.sh:
//   telvar_case_bench make FILE N   synthesise a case of N verified recordings
//   telvar_case_bench open FILE     prints "OPEN_S LIST_S EVIDENCE_S CPU_S AUDIT_S
//                                   AUDIT_CPU_S ROWS PEAK_RSS_KIB LOG" (CPU_S: processor time
//                                   of the first three; LOG: sealed, unsealed or broken)
// Opening is the check (schema and quick_check) and the connection; the
// list is every recording with its latest verdict; evidence is one row's.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "casefile/CaseFile.h"
#include "casefile/Seal.h"
#include "casefile/Transaction.h"
#include "signature/Sha256.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor seconds (user and system) this process has taken so far.
double processorSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// About the size of a real recording's evidence object (2.5 KB).
std::string evidenceOf(int i) {
    std::string json = "{\"code\":0,\"file\":\"cam-" + std::to_string(i) +
                       ".mkv\",\"findings\":[],\"runs\":[";
    for (int r = 0; r < 8; ++r) {
        json += std::string(r == 0 ? "" : ",") +
                "{\"endOffset\":1234567,\"endSeconds\":3600.0,\"firstCluster\":1,"
                "\"lastCluster\":3600,\"startOffset\":233,\"startSeconds\":0.0,"
                "\"status\":\"verified\"}";
    }
    json += "],\"coverage\":{\"statement\":\"" + std::string(1000, 's') + "\"}}";
    return json;
}

// Sealed as runs of 1,000 files each would seal it.
constexpr int kFilesPerSeal = 1000;

int make(const std::string& path, int count) {
    const Actor actor{"A. Examiner", "bench", "telvar_case_bench", "1.0", "bench"};
    const ExaminerKey key = ExaminerKey::loadOrCreate(path + ".key.pem");
    CaseOpenOptions options;
    options.create = true;
    options.creator = actor;
    { CaseFile created(path, options); }
    // One transaction for the lot: synthesis, not the one-per-result runs.
    const Database db(path, Database::Mode::ReadWrite, 10000);
    db.exec("PRAGMA journal_mode=WAL");
    db.exec("PRAGMA synchronous=OFF");
    Transaction transaction(db);
    recordExaminerKey(db, actor, key);
    for (int i = 0; i < count; ++i) {
        const std::string file = "/evidence/site-" + std::to_string(i % 100) + "/cam-" +
                                 std::to_string(i) + ".mkv";
        const std::string sha = sha256Hex(file.data(), file.size());
        Statement recording = db.prepare(
            "INSERT INTO recordings (path, size, modified, intake_sha256, added_at, added_event) "
            "VALUES (?, 2623948, '2026-12-08T16:58:07Z', ?, '2026-12-08T17:00:00Z', 0)");
        recording.bindBlob(1, file).bind(2, sha).run();
        const int64_t id = db.lastInsertId();
        CustodyEvent added;
        added.kind = EventKind::RecordingAdded;
        added.actor = actor;
        added.recording = id;
        added.path = file;
        added.sha256 = sha;
        added.at = "2026-12-08T17:00:00Z";
        added.detail = recordingAddedDetail(2623948, std::string("2026-12-08T16:58:07Z"));
        added = appendEvent(db, added);
        const std::string evidence = evidenceOf(i);
        CustodyEvent verified = added;
        verified.kind = EventKind::Verified;
        verified.at.clear();
        verified.record = sha256Hex(evidence.data(), evidence.size());
        verified.detail = verificationDetail(0, "intake", "2026-12-08T17:00:00Z");
        verified = appendEvent(db, verified);
        Statement verification = db.prepare(
            "INSERT INTO verifications (recording, event, verified_at, code, sha256, fixity) "
            "VALUES (?, ?, '2026-12-08T17:00:00Z', 0, ?, 'intake')");
        verification.bind(1, id).bind(2, verified.seq).bind(3, sha).run();
        const int64_t verificationId = db.lastInsertId();
        Statement stored = db.prepare("INSERT INTO evidence (verification, json) VALUES (?, ?)");
        stored.bind(1, verificationId).bind(2, evidence).run();
        Statement update = db.prepare(
            "UPDATE recordings SET added_event = ?, latest_verification = ?, latest_code = 0, "
            "latest_fixity = 'intake', latest_at = '2026-12-08T17:00:00Z' WHERE id = ?");
        update.bind(1, added.seq).bind(2, verificationId).bind(3, id).run();
        if ((i + 1) % kFilesPerSeal == 0 || i + 1 == count) {
            appendSeal(db, actor, key);
        }
    }
    transaction.commit();
    return 0;
}

int open(const std::string& path) {
    const Clock::time_point start = Clock::now();
    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    const CaseFile file(path, options);
    const double opened = since(start);
    const Clock::time_point listing = Clock::now();
    const std::vector<RecordingRow> rows = file.recordings();
    const double listed = since(listing);
    const Clock::time_point loading = Clock::now();
    const std::optional<StoredVerification> one =
        rows.empty() ? std::nullopt : file.latestVerification(rows[rows.size() / 2].id);
    const double loaded = since(loading);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long peak = usage.ru_maxrss;  // before the audit, which reads every event
    // Processor time of all three, which a busy machine does not stretch.
    const double cpu = processorSeconds(usage);
    const Clock::time_point auditing = Clock::now();
    const AuditResult audit = file.audit();
    const double audited = since(auditing);
    getrusage(RUSAGE_SELF, &usage);
    const double auditCpu = processorSeconds(usage) - cpu;
    std::printf("%.3f %.3f %.4f %.3f %.3f %.3f %zu %ld %s\n", opened, listed, loaded, cpu, audited,
                auditCpu, rows.size(), peak,
                audit.sealed() ? "sealed" : audit.intact() ? "unsealed" : "broken");
    return one || rows.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "make") {
        return make(argv[2], std::atoi(argv[3]));
    }
    if (argc == 3 && std::string(argv[1]) == "open") {
        return open(argv[2]);
    }
    std::fprintf(stderr, "usage: %s make FILE N | open FILE\n", argv[0]);
    return 2;
}
