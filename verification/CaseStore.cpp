#include "verification/CaseStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <array>
#include <atomic>
#include <sstream>
#include <thread>
#include <utility>

#include "casefile/CaseError.h"
#include "casefile/KeptHead.h"
#include "casefile/StillExports.h"
#include "casefile/CaseSession.h"
#include "casefile/Transaction.h"
#include "report/JsonEvidence.h"
#include "verification/PathBytes.h"

namespace {

const char* const kProgram = "telvar-authenticator";

std::string bytesOf(const QString& path) {
    return pathBytes(path).toStdString();
}

// "YYYY-MM-DDThh:mm:ssZ", read by hand: QDateTime's own parser would take
// a good part of the time a large case takes to open.
QDateTime utcTime(const std::string& text) {
    const auto field = [&text](size_t at, size_t length) {
        int value = 0;
        for (size_t i = at; i < at + length; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return -1;
            }
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z') {
        return QDateTime();
    }
    const QDate date(field(0, 4), field(5, 2), field(8, 2));
    const QTime time(field(11, 2), field(14, 2), field(17, 2));
    return date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

QByteArray fileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return QByteArray::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
}

// The examiner last named in the export dialog; the login name when none was.
Actor windowActor() {
    const QString examiner = QSettings().value(QLatin1String(kExaminerSetting)).toString();
    return currentActor(kProgram, examiner.trimmed().toStdString());
}

}  // namespace

const char kExaminerSetting[] = "export/examiner";

std::shared_ptr<const RecordingEvidence> verdictStandIn(int64_t code) {
    // One per code, shared by every row: a case of 100,000 rows holds five.
    static const std::array<std::shared_ptr<const RecordingEvidence>, 5> standIns = [] {
        std::array<std::shared_ptr<const RecordingEvidence>, 5> made;
        for (int c = verdictNumber(VerdictCode::NotVerified); c <= verdictNumber(VerdictCode::Error);
             ++c) {
            RecordingEvidence evidence;
            evidence.verdict.code = *verdictFromNumber(c);
            made[static_cast<size_t>(c + 1)] = std::make_shared<const RecordingEvidence>(evidence);
        }
        return made;
    }();
    // A number no verdict has reads as an error.
    const VerdictCode known = verdictFromNumber(code).value_or(VerdictCode::Error);
    return standIns[static_cast<size_t>(verdictNumber(known) + 1)];
}

std::shared_ptr<const ExaminerKey> windowExaminerKey() {
    static const std::shared_ptr<const ExaminerKey> key = []() -> std::shared_ptr<const ExaminerKey> {
        try {
            return std::make_shared<const ExaminerKey>(
                ExaminerKey::loadOrCreate(ExaminerKey::defaultPath()));
        } catch (const CaseError&) {
            return nullptr;
        }
    }();
    return key;
}

CaseStore::CaseStore(std::unique_ptr<CaseFile> file_, std::unique_ptr<QTemporaryDir> folder_)
    : folder(std::move(folder_)),
      file(std::move(file_)),
      actor(windowActor()),
      openedHead(file->head().hash) {}

CaseStore::~CaseStore() {
    try {
        if (file->writable() && file->head().hash != openedHead) {
            seal();
        }
    } catch (const CaseError&) {
        // The next session's seal covers what this one wrote.
    }
}

void CaseStore::seal() {
    file->seal(actor);
}

void CaseStore::describeForExport(ReportContext& run) {
    if (file->writable()) {
        seal();
    }
    describeHead(file->head(), windowExaminerKey().get(), run);
    if (file->writable()) {
        run.custodyExportEvent = *run.custodyEvents + 1;
    }
}

std::unique_ptr<CaseStore> CaseStore::open(const QString& path, bool create,
                                           const QString& reference,
                                           const ReadOnlyMedia& readOnlyMedia) {
    CaseOpenOptions options;
    options.create = create;
    options.reference = reference.toStdString();
    options.creator = windowActor();
    options.readOnlyMedia = readOnlyMedia;
    options.examinerKey = windowExaminerKey();
    // A reference given only names a new case; an existing one keeps its own.
    if (!create) {
        options.reference.clear();
    }
    const std::string caseBytes = bytesOf(absolutePath(path));
    std::optional<CaseLock::Holder> heldBy;
    std::unique_ptr<CaseLock> lock = CaseLock::take(caseBytes, kProgram, heldBy);
    if (heldBy) {
        options.access = CaseOpenOptions::Access::ReadOnly;
    }
    auto caseFile = std::make_unique<CaseFile>(caseBytes, options);
    std::unique_ptr<CaseStore> store(new CaseStore(std::move(caseFile), nullptr));
    store->lock = std::move(lock);
    if (heldBy) {
        store->holder = QString::fromStdString(holderText(*heldBy));
    }
    return store;
}

namespace {

const char* const kUnsavedName = "unsaved.telvarcase";
const char* const kLockName = "window.lock";

QString unsavedTemplate(const QString& parent) {
    return QDir(parent).filePath(QStringLiteral("telvar-unsaved-XXXXXX"));
}

}  // namespace

std::unique_ptr<CaseStore> CaseStore::temporary() {
    return makeTemporary(QString());
}

std::unique_ptr<CaseStore> CaseStore::makeTemporary(const QString& recovered) {
    auto folder = std::make_unique<QTemporaryDir>(unsavedTemplate(QDir::tempPath()));
    if (!folder->isValid()) {
        throw CaseError(CaseErrorKind::Io, "no temporary folder can be made for the case: " +
                                               folder->errorString().toStdString());
    }
    auto lock = std::make_unique<QLockFile>(folder->filePath(QLatin1String(kLockName)));
    lock->setStaleLockTime(0);
    lock->tryLock(0);
    const QString path = folder->filePath(QLatin1String(kUnsavedName));
    if (!recovered.isEmpty() && !QFile::rename(recovered, path)) {
        throw CaseError(CaseErrorKind::Io, "the unsaved case cannot be moved into a folder of this window");
    }
    CaseOpenOptions options;
    options.create = true;
    options.creator = windowActor();
    options.examinerKey = windowExaminerKey();
    auto caseFile = std::make_unique<CaseFile>(bytesOf(path), options);
    std::unique_ptr<CaseStore> store(new CaseStore(std::move(caseFile), std::move(folder)));
    store->folderLock = std::move(lock);
    return store;
}

QStringList CaseStore::abandonedCases(const QString& parent) {
    QStringList found;
    const QDir dir(parent);
    const QFileInfoList folders =
        dir.entryInfoList({QStringLiteral("telvar-unsaved-*")}, QDir::Dirs | QDir::NoDotAndDotDot,
                          QDir::Time | QDir::Reversed);
    for (const QFileInfo& folder : folders) {
        const QString casePath = QDir(folder.filePath()).filePath(QLatin1String(kUnsavedName));
        QLockFile lock(QDir(folder.filePath()).filePath(QLatin1String(kLockName)));
        lock.setStaleLockTime(0);
        // A living window holds its lock; a killed one's lock is stale.
        if (!QFileInfo::exists(casePath) || !lock.tryLock(0)) {
            continue;
        }
        try {
            CaseOpenOptions options;
            options.access = CaseOpenOptions::Access::ReadOnly;
            const CaseFile file(bytesOf(casePath), options);
            bool any = false;
            file.forEachRecording(
                [&any](const RecordingRow& row) { any = any || row.latestVerification; }, true);
            if (any) {
                found << folder.filePath();
            }
        } catch (const CaseError&) {
            // Not a case this window can take on; left as it is.
        }
    }
    return found;
}

std::unique_ptr<CaseStore> CaseStore::recover(const QString& abandoned) {
    const QString path = QDir(abandoned).filePath(QLatin1String(kUnsavedName));
    {
        // Opened for writing and closed: SQLite replays the log a killed
        // window left, and closing folds it into the file.
        CaseOpenOptions options;
        const CaseFile replay(bytesOf(path), options);
    }
    std::unique_ptr<CaseStore> store = makeTemporary(path);
    QDir(abandoned).removeRecursively();
    return store;
}

QString CaseStore::path() const {
    return pathOf(file->path());
}

QString CaseStore::reference() const {
    return QString::fromStdString(file->info().reference);
}

QString CaseStore::title() const {
    const QString name = QFileInfo(path()).fileName();
    const QString ref = reference();
    return ref.isEmpty() ? name : ref + QStringLiteral(" (") + name + QLatin1Char(')');
}

bool CaseStore::holdsVerifications() const {
    bool any = false;
    file->forEachRecording([&any](const RecordingRow& row) { any = any || row.latestVerification; },
                           true);
    return any;
}

ChainHead CaseStore::head() const {
    return file->head();
}

ReportContext CaseStore::reportContext(const QString& examiner) const {
    return currentReportContext(kProgram, examiner.toStdString(), reference().toStdString());
}

RecordingRun recordingRun(const CaseFile& file) {
    RecordingRun made;
    made.actor = windowActor();
    made.run = currentReportContext(kProgram, made.actor.examiner, file.info().reference);
    return made;
}

void recordInCase(CaseFile& file, const RecordingRun& run, VerifyResult& result) {
    if (result.evidence == nullptr) {
        return;
    }
    if (result.code() == VerdictCode::NotVerified) {
        // Listed, not verified: added to the case without reading the file
        // (its hash was not taken, as its verification was cancelled).
        FileFacts facts;
        facts.path = casePath(bytesOf(result.path));
        file.addRecording(run.actor, facts);
        return;
    }
    ReportContext verified = run.run;
    const QDateTime when = result.verifiedAt.isValid() ? result.verifiedAt : QDateTime::currentDateTimeUtc();
    verified.verifiedAt = when.toUTC().toString(Qt::ISODate).toStdString();
    std::string path = bytesOf(result.path);
    CaseSession session(file, run.actor, std::move(verified), false);
    // The worker's evidence names the file as the window does: stored as it
    // is, and copied only when the case adds its fixity finding.
    if (result.evidence->identity.path == path) {
        std::optional<RecordingEvidence> changed;
        session.record(*result.evidence, changed);
        if (changed) {
            result.evidence = std::make_shared<const RecordingEvidence>(std::move(*changed));
        }
        return;
    }
    RecordingEvidence evidence = *result.evidence;
    evidence.identity.path = std::move(path);
    session.record(evidence);
    result.evidence = std::make_shared<const RecordingEvidence>(std::move(evidence));
}

void CaseStore::recordExport(const QString& format, const QString& path, const QByteArray& sha256,
                             const QByteArray& record) {
    recordExportInCase(*file, actor, format, path, sha256, record);
}

void recordExportInCase(CaseFile& file, const Actor& actor, const QString& format,
                        const QString& path, const QByteArray& sha256, const QByteArray& record) {
    file.recordExport(actor, format.toStdString(), casePath(bytesOf(path)), sha256.toStdString(),
                      record.isEmpty() ? std::nullopt
                                       : std::optional<std::string>(record.toStdString()));
    file.seal(actor);
}

void recordKeyEditInCase(CaseFile& file, const Actor& actor, const QString& storePath,
                         const QByteArray& sha256, const QString& detail) {
    file.recordKeyStoreChange(actor, bytesOf(storePath), sha256.toStdString(),
                              detail.toStdString());
    file.seal(actor);
}

namespace {

// How an intake's note of what it skipped begins; an entry a line after it.
const char kSkippedHeading[] = "Intake skipped ";

}  // namespace

void removeFromCase(CaseFile& file, const Actor& actor, const QList<QByteArray>& paths) {
    // One act of the examiner's, one transaction: all of it in the log or
    // none of it (and one sync, not one per row).
    Transaction transaction = file.batch();
    for (const QByteArray& path : paths) {
        if (const std::optional<RecordingRow> row =
                file.recordingByPath(casePath(path.toStdString()))) {
            file.removeRecording(actor, row->id);
        }
    }
    transaction.commit();
}

void restoreInCase(CaseFile& file, const Actor& actor, const QList<QByteArray>& paths) {
    Transaction transaction = file.batch();
    for (const QByteArray& path : paths) {
        const std::optional<RecordingRow> row = file.recordingByPath(casePath(path.toStdString()));
        if (row && row->removed) {
            FileFacts facts;
            facts.path = row->path;
            file.addRecording(actor, facts);  // "listed again", with its first intake
        }
    }
    transaction.commit();
}

void noteSkippedInCase(CaseFile& file, const Actor& actor, const QStringList& lines) {
    const QString text = QLatin1String(kSkippedHeading) +
                         (lines.size() == 1 ? QStringLiteral("1 entry:\n")
                                            : QStringLiteral("%1 entries:\n").arg(lines.size())) +
                         lines.join(QLatin1Char('\n'));
    file.addNote(actor, std::nullopt, text.toStdString());
}

void CaseStore::recordRemoved(const QList<QByteArray>& paths) {
    removeFromCase(*file, actor, paths);
}

void CaseStore::recordRestored(const QList<QByteArray>& paths) {
    restoreInCase(*file, actor, paths);
}

void CaseStore::recordSkipped(const QStringList& lines) {
    noteSkippedInCase(*file, actor, lines);
}

std::vector<std::string> CaseStore::skippedAtIntake() const {
    // Each entry was written on a line of its own in its display form,
    // which shows a line break in a name as an escape.
    std::vector<std::string> entries;
    for (const std::string& note : file->caseNotes()) {
        if (note.rfind(kSkippedHeading, 0) != 0) {
            continue;
        }
        std::istringstream lines(note);
        std::string line;
        std::getline(lines, line);  // the heading
        while (std::getline(lines, line)) {
            entries.push_back(line);
        }
    }
    return entries;
}

void CaseStore::describeStills(ReportContext& run) const {
    addExportedStills(*file, run);
}

std::vector<VerifyResult> CaseStore::results() const {
    std::vector<VerifyResult> results;
    file->forEachRecording([&results](const RecordingRow& row) {
        if (!row.latestVerification) {
            // Listed by a run that was cancelled before it came to the file.
            results.push_back(cancelledResult(pathOf(row.path)));
            return;
        }
        VerifyResult result;
        result.evidence = verdictStandIn(row.latestCode.value_or(verdictNumber(VerdictCode::Error)));
        result.fileName = fileNameOf(row.path);
        result.path = pathOf(row.path);
        if (row.latestAt) {
            result.verifiedAt = utcTime(*row.latestAt);
        }
        result.storedVerification = *row.latestVerification;
        results.push_back(std::move(result));
    });
    return results;
}

namespace {

// The evidence a stored verification holds; when it cannot be read back, a
// stand-in of its verdict whose finding says why.
std::shared_ptr<const RecordingEvidence> evidenceOf(const std::optional<StoredVerification>& stored,
                                                    std::string why) {
    if (stored) {
        if (std::optional<StoredEvidence> read = evidenceFromJson(stored->evidenceJson)) {
            return std::make_shared<const RecordingEvidence>(std::move(read->evidence));
        }
        why = "it does not read as an evidence object";
    }
    // The verdict the case lists stays; the pane says why there is no more.
    RecordingEvidence standIn =
        *verdictStandIn(stored ? stored->code : verdictNumber(VerdictCode::Error));
    Finding finding;
    finding.code = FindingCode::FileError;
    finding.text = "The evidence stored in the case cannot be shown (" + why +
                   "); verify the file again to see it.";
    standIn.findings.push_back(std::move(finding));
    return std::make_shared<const RecordingEvidence>(std::move(standIn));
}

const char* const kNoSuchVerification = "the case holds no such verification";

}  // namespace

std::shared_ptr<const RecordingEvidence> CaseStore::loadEvidence(int64_t verification) const {
    std::optional<StoredVerification> stored;
    std::string why = kNoSuchVerification;
    try {
        stored = file->verification(verification);
    } catch (const CaseError& error) {
        why = error.what();
    }
    return evidenceOf(stored, why);
}

void CaseStore::loadEvidence(const std::vector<int64_t>& verifications,
                             const EvidenceVisit& visit) const {
    // Reading the texts is quick; making evidence of them is not, so a
    // helper thread makes each share's evidence together with this one.
    constexpr size_t kShare = 512;
    std::vector<std::optional<StoredVerification>> texts;
    std::vector<std::shared_ptr<const RecordingEvidence>> made;
    size_t first = 0;
    const auto hand = [&] {
        made.assign(texts.size(), nullptr);
        // Each takes the next one not yet taken, so neither waits for the other.
        std::atomic<size_t> next{0};
        const auto make = [&] {
            for (size_t k = next++; k < texts.size(); k = next++) {
                made[k] = evidenceOf(texts[k], kNoSuchVerification);
            }
        };
        std::thread helper(make);
        make();
        helper.join();
        for (size_t k = 0; k < made.size(); ++k) {
            visit(first + k, std::move(made[k]));
        }
        first += texts.size();
        texts.clear();
    };
    try {
        file->forEachVerification(
            verifications, [&](size_t, std::optional<StoredVerification>&& stored) {
                texts.push_back(std::move(stored));
                if (texts.size() == kShare) {
                    hand();
                }
            });
        hand();
    } catch (const CaseError& error) {
        // Those not reached say why, as one would alone.
        for (size_t k = first; k < verifications.size(); ++k) {
            visit(k, evidenceOf(std::nullopt, error.what()));
        }
    }
}

QStringList CaseStore::recordingPaths() const {
    QStringList paths;
    file->forEachRecording(
        [this, &paths](const RecordingRow& row) { paths << pathOf(file->whereNow(row)); });
    return paths;
}

std::vector<CustodyEvent> CaseStore::events() const {
    std::vector<CustodyEvent> events;
    file->forEachEvent([&events](const CustodyEvent& event) { events.push_back(event); });
    return events;
}

std::vector<std::string> CaseStore::custodyLines(const QString& path) const {
    std::vector<std::string> lines;
    if (const std::optional<RecordingRow> row = file->recordingByPath(casePath(bytesOf(path)))) {
        for (const CustodyEvent& event : file->events(row->id)) {
            lines.push_back(custodyLine(event));
        }
    }
    return lines;
}

AuditResult CaseStore::audit() const {
    return file->audit();
}

AuditResult CaseStore::auditFile(const std::string& fileBytes) {
    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    options.readOnlyMedia = onReadOnlyMedia;
    return CaseFile(fileBytes, options).audit();
}

void CaseStore::saveCopy(const QString& path) {
    if (file->writable()) {
        seal();
    }
    file->saveCopy(bytesOf(QFileInfo(path).absoluteFilePath()));
}
