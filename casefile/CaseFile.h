#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "casefile/CustodyEvent.h"
#include "casefile/CustodyLog.h"
#include "casefile/Database.h"
#include "casefile/ExaminerKey.h"
#include "casefile/Fixity.h"
#include "casefile/Transaction.h"

// True when the file system holding `path` is mounted read-only.
bool onReadOnlyMedia(const std::string& path);

// Why this user cannot write the case at `path` (the file, its folder, where
// SQLite keeps the log beside it, or a "-wal" or "-shm" file someone else
// left there), as a sentence; none when nothing stands in the way.
std::optional<std::string> writeObstacle(const std::string& path);

// The path made absolute (the current folder put before a relative one) and
// lexically normal: "." and "name/.." are taken out, repeated slashes made
// one, without asking the file system (symbolic links are not resolved).
std::string absoluteNormalPath(const std::string& given);

struct CaseOpenOptions {
    enum class Access { ReadWrite, ReadOnly };
    Access access = Access::ReadWrite;
    bool create = false;    // make a new case when there is none at the path
    std::string reference;  // the new case's reference; an existing case must carry it, when given
    Actor creator;          // who makes a new case
    // The examiner's signing key: each examiner writing with it has its
    // public key logged before their first event, and seal() signs with
    // it. Without one the case is written unsealed (tests, benchmarks).
    std::shared_ptr<const ExaminerKey> examinerKey;
    int busyTimeoutMs = 10000;
    // Whether the file is on read-only media; there it is opened immutable,
    // for listing and auditing. Replaceable, so tests need no read-only mount.
    std::function<bool(const std::string& path)> readOnlyMedia = onReadOnlyMedia;
};

struct CaseInfo {
    std::string reference;
    std::string createdAt;
    std::vector<std::string> examiners;  // everyone who acted, in name order
};

// One recording of the case with its latest verdict: what a list shows,
// read without parsing any evidence.
struct RecordingRow {
    int64_t id = 0;
    std::string path;  // bytes, absolute
    // Where it stood relative to the case file's folder when added, as
    // bytes; none in a case older than that.
    std::optional<std::string> relativePath;
    std::optional<int64_t> size;
    std::optional<std::string> modified;
    std::optional<std::string> intakeSha256;
    std::string addedAt;
    bool removed = false;
    std::optional<int64_t> latestVerification;
    std::optional<int64_t> latestCode;
    std::string latestFixity;  // a fixityCode, or empty before any verification
    std::optional<std::string> latestAt;
};

struct StoredVerification {
    int64_t id = 0;
    int64_t recording = 0;
    int64_t event = 0;
    std::string verifiedAt;
    int64_t code = 0;
    std::optional<std::string> sha256;
    std::string fixity;
    // The object telvar-verify prints, as stored; it carries the verifier
    // block and the time of verification.
    std::string evidenceJson;
};

// One verification as a program hands it in.
struct VerificationFacts {
    FileFacts file;
    int64_t code = 0;
    std::string verifiedAt;
};

struct RecordedVerification {
    int64_t recording = 0;
    int64_t verification = 0;
    bool firstOfRecording = false;
    FixityCheck fixity;
};

// A case file: one SQLite database per case (docs/case-file.md). Opening
// checks the file before anything is written to it; each write below is
// one transaction, whole or not at all (a savepoint inside a batch).
// Throws CaseError.
class CaseFile {
  public:
    CaseFile(const std::string& path, const CaseOpenOptions& options);

    ~CaseFile();
    CaseFile(const CaseFile&) = delete;
    CaseFile& operator=(const CaseFile&) = delete;

    const std::string& path() const { return filePath; }
    bool writable() const { return canWrite; }
    // Why a case asked for writing opened read-only, as writeObstacle says
    // it ("it is on read-only media", "you may not write the case file");
    // empty when it is writable or was opened to read.
    const std::string& readOnlyReason() const { return whyReadOnly; }

    CaseInfo info() const;
    std::vector<RecordingRow> recordings(bool withRemoved = false) const;
    // The same one row at a time, for a caller that keeps less of each.
    void forEachRecording(const std::function<void(const RecordingRow&)>& visit,
                          bool withRemoved = false) const;
    std::optional<RecordingRow> recordingByPath(const std::string& pathBytes) const;
    // Where to verify a recording again: its path, or, when nothing is there
    // and the file at its place relative to the case has the intake SHA-256
    // (the case moved with its recordings), that place. Verifying it there
    // logs that it was found there (recording-found).
    std::string whereNow(const RecordingRow& row) const;
    std::optional<RecordingRow> recordingById(int64_t id) const;
    std::optional<StoredVerification> latestVerification(int64_t recording) const;
    std::vector<StoredVerification> verifications(int64_t recording) const;
    std::optional<StoredVerification> verification(int64_t id) const;
    // Each of `ids` in turn, as `verification` reads it, within one read of
    // the case: many lookups do not each take and drop its lock.
    void forEachVerification(
        const std::vector<int64_t>& ids,
        const std::function<void(size_t index, std::optional<StoredVerification>&& stored)>& visit)
        const;
    std::vector<CustodyEvent> events(int64_t recording) const;
    // The text of each note about the case itself (none of a recording's),
    // oldest first.
    std::vector<std::string> caseNotes() const;
    // Every note about a recording that begins with `prefix` and was written
    // right after a verification of that recording (in its transaction, as a
    // merge stores a result), with that verification's time and code, oldest
    // first: how a merge finds the results it stored before. A note typed
    // later follows no verification of that time.
    struct NoteAfterVerification {
        std::string text;
        std::string verifiedAt;
        int64_t code = 0;
    };
    std::vector<NoteAfterVerification> notesAfterVerification(const std::string& prefix) const;
    // The whole log, oldest first; an event of a kind this program does not
    // know is left out (the audit names it).
    void forEachEvent(const std::function<void(const CustodyEvent&)>& visit) const;
    ChainHead head() const;
    // Event `seq`, and the export event of a report by its SHA-256.
    std::optional<CustodyEvent> event(int64_t seq) const;
    std::optional<CustodyEvent> exportOf(const std::string& sha256) const;
    // The events of the stills exported (format "still"), oldest first.
    std::vector<int64_t> stillExportEvents() const;
    AuditResult audit() const;

    // Adds the recording when it is new, then stores its verification: the
    // evidence text is asked for once the fixity is known, so it can carry
    // the fixity's finding.
    using EvidenceText = std::function<std::string(const FixityCheck&)>;
    RecordedVerification recordVerification(const Actor& actor, const VerificationFacts& facts,
                                            const EvidenceText& evidenceText);
    int64_t addRecording(const Actor& actor, const FileFacts& file);
    // `record`: for a still, the SHA-256 of its JSON record, which holds its pixels' hash.
    void recordExport(const Actor& actor, const std::string& format, const std::string& pathBytes,
                      const std::string& sha256,
                      const std::optional<std::string>& record = std::nullopt);
    void addNote(const Actor& actor, std::optional<int64_t> recording, const std::string& text);
    // A key added, retired or revoked while the case is open: the store's
    // file (bytes), its SHA-256 after the edit, and what changed.
    void recordKeyStoreChange(const Actor& actor, const std::string& storePathBytes,
                              const std::string& sha256, const std::string& detail);
    void removeRecording(const Actor& actor, int64_t recording);
    // Ends a run, a session or an export: the examiner's seal over the log
    // as it stands, unless the newest event is already theirs. Nothing
    // without an examiner's key.
    void seal(const Actor& actor);

    // One transaction that the writes above join, each still whole or not
    // at all, until it commits: many results stored with one sync.
    Transaction batch();
    // For a connection that stores floods of results: the log is folded back
    // into the file when checkpoint() says, between batches, rather than
    // within the commit that passes SQLite's mark.
    void holdCheckpoints();
    void checkpoint();
    // Folds the log back into the file and leaves it in the journal mode a
    // reader needs no write access for, unless another program has the case
    // open (the last one to close does it). False, with `problem` set, when
    // the file could not take the log (a full disk): its "-wal" file then
    // holds the newest events. The destructor does it too.
    bool foldLog(std::string* problem = nullptr);

    // Writes the case as it stands to a new file at `path`, which must not
    // exist yet: "Save as" of the window.
    void saveCopy(const std::string& path) const;

  private:
    // Appends `event`, after the examiner's key when it is new to the case.
    CustodyEvent append(const CustodyEvent& event);
    void openForWriting(const CaseOpenOptions& options, bool blank);
    void requireWritable() const;
    // Within a transaction: the recording's id, added (or listed again) when
    // needed; `addedAt` gets the time of a new addition.
    int64_t ensureRecording(const Actor& actor, const FileFacts& file,
                            std::optional<RecordingRow>& existing, std::string* addedAt = nullptr);

    // A recording that is not at its recorded path but whose bytes are at
    // its place relative to the case: the case moved with its recordings.
    std::optional<RecordingRow> movedRecording(const std::string& relative, const FileFacts& file) const;
    std::string relativeToCase(const std::string& pathBytes) const;
    std::string recordingColumns() const;

    std::string filePath;
    bool canWrite = false;
    std::shared_ptr<const ExaminerKey> key;
    int64_t schemaVersion = 0;
    std::string caseFolder;  // absolute, lexically normal
    std::string whyReadOnly;
    int waitMs = 0;
    Database db;
};
