#pragma once

#include <QByteArray>
#include <QDir>
#include <QLockFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "casefile/CaseFile.h"
#include "casefile/CaseLock.h"
#include "report/ReportContext.h"
#include "verification/VerifyResult.h"

// The case the window works in (docs/case-file.md): every verification,
// export and removal goes into its file at once, one transaction each, with
// the same code telvar-verify uses. Without a case opened, the window works
// in a temporary one, which "Save case as" keeps. Throws CaseError.
class CaseStore {
  public:
    using ReadOnlyMedia = std::function<bool(const std::string& path)>;

    // The case at `path`; made when `create` and there is none, with
    // `reference`. On read-only media it opens for reading only, and so it
    // does while another window holds it (CaseLock; see heldBy).
    static std::unique_ptr<CaseStore> open(const QString& path, bool create,
                                           const QString& reference = QString(),
                                           const ReadOnlyMedia& readOnlyMedia = onReadOnlyMedia);
    // A new case in a folder of its own, removed with the store. The folder
    // holds a lock while the store lives, so a window killed meanwhile
    // leaves a case that abandonedCases() finds.
    static std::unique_ptr<CaseStore> temporary();
    // The folders of temporary cases under `parent` whose window ended
    // without closing (its lock is stale) and that hold verifications,
    // oldest first.
    static QStringList abandonedCases(const QString& parent = QDir::tempPath());
    // Takes the case of such a folder on as this window's temporary case,
    // its log folded back into it; the folder goes.
    static std::unique_ptr<CaseStore> recover(const QString& abandoned);

    QString path() const;
    bool isTemporary() const { return folder != nullptr; }
    bool writable() const { return file->writable(); }
    // Why a case asked for writing opened read-only; empty otherwise.
    QString readOnlyReason() const { return QString::fromStdString(file->readOnlyReason()); }
    // Who holds the case for writing, when another program does: this
    // store then only reads it. Empty otherwise.
    QString heldBy() const { return holder; }
    QString reference() const;
    // "REFERENCE (name.telvarcase)", or the file name alone without a reference.
    QString title() const;
    bool holdsVerifications() const;
    ChainHead head() const;
    // Seals the case (when writable and this session holds the examiner's
    // key), then puts the sealed head, the number the export's event will
    // take and the key into `run`, for a report about to be exported.
    void describeForExport(ReportContext& run);

    // The case's file as bytes, for another connection to it: results are
    // recorded through one of their own (CaseRecorder, recordInCase).
    const std::string& fileBytes() const { return file->path(); }
    // `record`: a still's record's SHA-256 (CaseFile::recordExport); empty for none.
    void recordExport(const QString& format, const QString& path, const QByteArray& sha256,
                      const QByteArray& record = QByteArray());
    // A write of the window's through this store's own connection, as
    // CaseRecorder::submitWrite makes it on its thread.
    void writeNow(const std::function<void(CaseFile& file, const Actor& actor)>& write) {
        write(*file, actor);
    }
    // Off the list and back (an undone removal), by the paths' exact bytes;
    // each call one transaction, whole or not at all.
    void recordRemoved(const QList<QByteArray>& paths);
    void recordRestored(const QList<QByteArray>& paths);
    // What an intake left out (Add Folder's skipped entries, each with its
    // reason), as a note of the case's custody log.
    void recordSkipped(const QStringList& lines);
    // Those entries, every intake's in turn, a line each as recorded.
    std::vector<std::string> skippedAtIntake() const;
    // The stills exported from the player, with their records, for a report.
    void describeStills(ReportContext& run) const;

    // The listed recordings, each with its latest verification; the evidence
    // is a stand-in until loadEvidence, so a large case opens at once. One
    // listed but never verified (a cancelled run) is a cancelledResult.
    std::vector<VerifyResult> results() const;
    // The stored evidence of a verification; when it cannot be read back, a
    // stand-in of its verdict whose finding says so.
    std::shared_ptr<const RecordingEvidence> loadEvidence(int64_t verification) const;
    // The same for many, each handed to `visit` in order, on this thread, with
    // its index in `verifications`; quicker than one at a time.
    using EvidenceVisit =
        std::function<void(size_t index, std::shared_ptr<const RecordingEvidence> evidence)>;
    void loadEvidence(const std::vector<int64_t>& verifications, const EvidenceVisit& visit) const;
    // The listed recordings' paths, for verifying the whole case again.
    QStringList recordingPaths() const;

    std::vector<CustodyEvent> events() const;
    // A recording's custody events as a report lists them, oldest first.
    std::vector<std::string> custodyLines(const QString& path) const;
    AuditResult audit() const;
    // The same check of the case at `fileBytes` through a connection of its
    // own, so it can run on another thread. Throws CaseError.
    static AuditResult auditFile(const std::string& fileBytes);
    // A copy of the case at a new path (Save case as); the store stays on its file.
    // The copy is sealed up to its newest event, as the case is first.
    void saveCopy(const QString& path);

    // The verifier block of the window's reports and stored evidence.
    ReportContext reportContext(const QString& examiner) const;

    // A session that changed the case ends with the examiner's seal.
    ~CaseStore();

  private:
    CaseStore(std::unique_ptr<CaseFile> file, std::unique_ptr<QTemporaryDir> folder);
    void seal();
    // A new temporary case, or the one at `recovered` moved into its folder.
    static std::unique_ptr<CaseStore> makeTemporary(const QString& recovered);

    std::unique_ptr<CaseLock> lock;  // let go after the file is closed
    QString holder;
    std::unique_ptr<QTemporaryDir> folder;  // of a temporary case
    std::unique_ptr<QLockFile> folderLock;  // held in that folder while the store lives
    std::unique_ptr<CaseFile> file;
    Actor actor;
    std::string openedHead;  // the newest event's hash when the case was opened
};

// The examiner's signing key of this user, loaded once; null when it
// cannot be read or made (the case is then written unsealed).
std::shared_ptr<const ExaminerKey> windowExaminerKey();

// Who records into a case and the verifier block of the evidence stored:
// the same for every result, so taken once per connection.
struct RecordingRun {
    Actor actor;
    ReportContext run;
};
RecordingRun recordingRun(const CaseFile& file);

// Stores the result's verification in `file` as the window does; its
// evidence gains the fixity finding when the file changed since it was
// added. Throws CaseError.
void recordInCase(CaseFile& file, const RecordingRun& run, VerifyResult& result);

// The list's own writes as the window makes them, each one transaction:
// recordings off the list and back by their paths' exact bytes, and an
// intake's skipped entries as a note (CaseStore's record* calls these).
void removeFromCase(CaseFile& file, const Actor& actor, const QList<QByteArray>& paths);
void restoreInCase(CaseFile& file, const Actor& actor, const QList<QByteArray>& paths);
void noteSkippedInCase(CaseFile& file, const Actor& actor, const QStringList& lines);
// An export (a report, or a still with its record's SHA-256) as its custody
// event, then the examiner's seal over it.
void recordExportInCase(CaseFile& file, const Actor& actor, const QString& format,
                        const QString& path, const QByteArray& sha256, const QByteArray& record);

// A key store edit of the window's (CaseFile::recordKeyStoreChange), then
// the examiner's seal over it.
void recordKeyEditInCase(CaseFile& file, const Actor& actor, const QString& storePath,
                         const QByteArray& sha256, const QString& detail);

// Where the window keeps the examiner's name (QSettings), which its custody
// events carry.
extern const char kExaminerSetting[];

// The stand-in evidence of a stored verdict code: the code alone.
std::shared_ptr<const RecordingEvidence> verdictStandIn(int64_t code);
