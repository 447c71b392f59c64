#include "casefile/CaseFile.h"

#include <sys/stat.h>
#include <sqlite3.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "casefile/CaseError.h"
#include "casefile/Schema.h"
#include "casefile/Seal.h"
#include "casefile/Transaction.h"
#include "report/Escape.h"
#include "report/ReportContext.h"
#include "signature/FileHasher.h"
#include "signature/Sha256.h"

namespace {

const char* const kRecordingColumns =
    "id, path, size, modified, intake_sha256, added_at, removed, latest_verification, "
    "latest_code, latest_fixity, latest_at, ";

RecordingRow readRecording(const Statement& row) {
    RecordingRow r;
    r.id = row.integer(0);
    r.path = row.bytes(1);
    r.size = row.optionalInteger(2);
    r.modified = row.optionalBytes(3);
    r.intakeSha256 = row.optionalBytes(4);
    r.addedAt = row.bytes(5);
    r.removed = row.integer(6) != 0;
    r.latestVerification = row.optionalInteger(7);
    r.latestCode = row.optionalInteger(8);
    r.latestFixity = row.bytes(9);
    r.latestAt = row.optionalBytes(10);
    r.relativePath = row.optionalBytes(11);
    return r;
}

const char* const kVerificationColumns =
    "v.id, v.recording, v.event, v.verified_at, v.code, v.sha256, v.fixity, e.json";
const char* const kVerificationTables =
    " FROM verifications v JOIN evidence e ON e.verification = v.id";

StoredVerification readVerification(const Statement& row) {
    StoredVerification v;
    v.id = row.integer(0);
    v.recording = row.integer(1);
    v.event = row.integer(2);
    v.verifiedAt = row.bytes(3);
    v.code = row.integer(4);
    v.sha256 = row.optionalBytes(5);
    v.fixity = row.bytes(6);
    v.evidenceJson = row.bytes(7);
    return v;
}

// An SQLite file with nothing in it yet, such as one another program is
// making into a case this very moment.
bool isBlank(const Database& db) {
    return db.queryInt("PRAGMA application_id") == 0 && db.queryInt("PRAGMA user_version") == 0 &&
           db.queryInt("SELECT count(*) FROM sqlite_schema") == 0;
}

void setUpWriting(const Database& db) {
    Statement wal = db.prepare("PRAGMA journal_mode=WAL");
    if (!wal.step() || wal.bytes(0) != "wal") {
        throw CaseError(CaseErrorKind::Io, "the case file cannot be switched to its journal mode");
    }
    db.exec("PRAGMA synchronous=FULL");
    db.exec("PRAGMA trusted_schema=OFF");
}

// Makes the schema of a blank file, or brings an older one up to date.
void initialise(const Database& db, const CaseOpenOptions& options) {
    Transaction transaction(db);
    if (isBlank(db)) {
        migrateSchema(db, 0);
        CustodyEvent created;
        created.kind = EventKind::CaseCreated;
        created.actor = options.creator;
        created.detail = options.reference;
        created = appendEvent(db, created);
        Statement info =
            db.prepare("INSERT INTO case_info (id, reference, created_at) VALUES (1, ?, ?)");
        info.bind(1, options.reference).bind(2, created.at).run();
        if (options.examinerKey) {
            recordExaminerKey(db, options.creator, *options.examinerKey);
        }
    } else {
        checkSchema(db);
        const int64_t version = db.queryInt("PRAGMA user_version");
        if (version < kCaseSchemaVersion) {
            migrateSchema(db, version);
        }
    }
    transaction.commit();
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A case in WAL mode (bytes 18 and 19 of the header are 2) with no log or
// index beside it: everything is in the file, and nobody has it open.
bool walAtRest(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char header[20] = {};
    if (!in.read(header, sizeof header)) {
        return false;
    }
    return header[18] == 2 && header[19] == 2 && !fileExists(path + "-wal") &&
           !fileExists(path + "-shm");
}

// How to read a case without writing anything beside it: immutable on
// read-only media, and when the file holds everything in WAL mode (an
// ordinary read would make a "-wal" and "-shm" file there that the owner
// may then be unable to write).
Database::Mode readMode(const std::string& path, bool readOnlyMedia) {
    return readOnlyMedia || walAtRest(path) ? Database::Mode::Immutable : Database::Mode::ReadOnly;
}

std::string fileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return validUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
}

// A read that SQLite refused as a write: it needs the "-shm" file beside a
// case whose log is in use, and this user may not make or write it.
CaseError readRefused(const std::string& path) {
    const std::optional<std::string> obstacle = writeObstacle(path);
    return CaseError(CaseErrorKind::ReadOnly,
                     "the case file is open in another program, or was left with its log (" +
                         fileName(path) + "-wal) beside it, and reading it then needs write access " +
                         (obstacle ? "(" + *obstacle + ")" : std::string("to the folder")) +
                         "; try again once the program that writes it has closed it");
}

Database openCase(const std::string& path, const CaseOpenOptions& options, bool& writable,
                  std::string& whyReadOnly) {
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        throw CaseError(CaseErrorKind::NotACase, "the case file is not a regular file");
    }
    const bool readOnlyMedia = options.readOnlyMedia && options.readOnlyMedia(path);
    const bool wanted = options.access == CaseOpenOptions::Access::ReadWrite;
    std::optional<std::string> obstacle;
    if (wanted) {
        obstacle = readOnlyMedia ? std::optional<std::string>("it is on read-only media")
                                 : writeObstacle(path);
    }
    const bool write = wanted && !obstacle;
    const int wait = options.busyTimeoutMs;
    if (!exists) {
        if (!options.create) {
            throw CaseError(CaseErrorKind::NotFound, "there is no case file at this path");
        }
        if (!write) {
            throw CaseError(CaseErrorKind::ReadOnly,
                            "a new case file cannot be made here: " +
                                obstacle.value_or("it was to be opened read-only"));
        }
        Database db(path, Database::Mode::Create, wait);
        setUpWriting(db);
        initialise(db, options);
        writable = true;
        return db;
    }
    // Checked on a read-only connection first, so a file that is refused
    // is never written to.
    bool blank = st.st_size == 0;
    const Database::Mode reading = readMode(path, readOnlyMedia);
    try {
        const Database check(path, reading, wait);
        blank = blank || isBlank(check);
        if (!blank) {
            checkSchema(check);
            checkIntegrity(check);
        }
    } catch (const CaseError& error) {
        throw error.kind == CaseErrorKind::ReadOnly ? readRefused(path) : error;
    }
    if (blank && !(options.create && write)) {
        throw CaseError(CaseErrorKind::NotACase, "the file is empty: it is not a case file");
    }
    if (!write) {
        whyReadOnly = obstacle.value_or(std::string());
        return Database(path, reading, wait);
    }
    Database db(path, Database::Mode::ReadWrite, wait);
    setUpWriting(db);
    initialise(db, options);
    writable = true;
    return db;
}

}  // namespace

bool onReadOnlyMedia(const std::string& path) {
    struct statvfs fs {};
    return ::statvfs(path.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

std::optional<std::string> writeObstacle(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = fileName(path);
    if (fileExists(path) && ::access(path.c_str(), W_OK) != 0) {
        return "you may not write the case file";
    }
    for (const char* const side : {"-wal", "-shm"}) {
        const std::string beside = path + side;
        if (fileExists(beside) && ::access(beside.c_str(), W_OK) != 0) {
            return name + side + " beside it is another user's and you may not write it (made by " +
                   "a program of that user that had the case open; once none has, the folder's "
                   "owner can remove it)";
        }
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        return "you may not write its folder, where the case keeps its log while it is written";
    }
    return std::nullopt;
}

CaseFile::CaseFile(const std::string& path, const CaseOpenOptions& options)
    : filePath(path),
      key(options.examinerKey),
      waitMs(options.busyTimeoutMs),
      db(openCase(path, options, canWrite, whyReadOnly)) {
    schemaVersion = db.queryInt("PRAGMA user_version");
    caseFolder = std::filesystem::path(absoluteNormalPath(path)).parent_path().string();
    if (!options.reference.empty() && info().reference != options.reference) {
        throw CaseError(CaseErrorKind::WrongCase,
                        "the case file belongs to another case reference");
    }
}

std::string absoluteNormalPath(const std::string& given) {
    if (given.empty()) {
        return given;
    }
    std::filesystem::path path(given);
    if (path.is_relative()) {
        std::error_code error;
        const std::filesystem::path current = std::filesystem::current_path(error);
        if (error) {
            return path.lexically_normal().string();
        }
        path = current / path;
    }
    return path.lexically_normal().string();
}

std::string CaseFile::recordingColumns() const {
    return std::string(kRecordingColumns) +
           (schemaVersion >= kRelativePathsSince ? "relative_path" : "NULL");
}

std::string CaseFile::relativeToCase(const std::string& pathBytes) const {
    return std::filesystem::path(pathBytes).lexically_relative(caseFolder).string();
}

std::optional<RecordingRow> CaseFile::movedRecording(const std::string& relative,
                                                     const FileFacts& file) const {
    if (relative.empty() || !file.sha256) {
        return std::nullopt;
    }
    Statement select = db.prepare("SELECT " + recordingColumns() +
                                  " FROM recordings WHERE relative_path = ? AND removed = 0 AND "
                                  "intake_sha256 = ? ORDER BY id");
    select.bindBlob(1, relative).bind(2, *file.sha256);
    while (select.step()) {
        RecordingRow row = readRecording(select);
        // Only when nothing is left at the old place: beside its original,
        // a file of the same bytes is a copy, a recording of its own.
        struct stat st {};
        if (::lstat(row.path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
            return row;
        }
    }
    return std::nullopt;
}

std::string CaseFile::whereNow(const RecordingRow& row) const {
    struct stat st {};
    if (!row.relativePath || row.relativePath->empty() || !row.intakeSha256 ||
        ::lstat(row.path.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR)) {
        return row.path;
    }
    const std::string candidate =
        (std::filesystem::path(caseFolder) / *row.relativePath).lexically_normal().string();
    if (candidate == row.path || ::lstat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return row.path;
    }
    const FileIdentity identity = FileHasher(candidate, nullptr).finish();
    return identity.sha256 == *row.intakeSha256 ? candidate : row.path;
}

CaseFile::~CaseFile() {
    if (canWrite) {
        foldLog();
    }
}

bool CaseFile::foldLog(std::string* problem) {
    if (!canWrite) {
        return true;
    }
    // Nobody waits here: a program that still has the case open folds it
    // when it closes.
    sqlite3_busy_timeout(db.handle(), 0);
    const int rc = sqlite3_wal_checkpoint_v2(db.handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE,
                                             nullptr, nullptr);
    bool folded = rc == SQLITE_OK || (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED;
    if (!folded && problem != nullptr) {
        *problem = sqlite3_errmsg(db.handle());
    }
    if (rc == SQLITE_OK) {
        // Back to a rollback journal: a reader then needs no file beside it.
        sqlite3_exec(db.handle(), "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    }
    sqlite3_busy_timeout(db.handle(), waitMs);
    return folded;
}

void CaseFile::requireWritable() const {
    if (!canWrite) {
        throw CaseError(CaseErrorKind::ReadOnly,
                        "the case file is open read-only (" +
                            (whyReadOnly.empty() ? std::string("to be read") : whyReadOnly) +
                            "); it can be listed and audited, not changed");
    }
}

CaseInfo CaseFile::info() const {
    CaseInfo info;
    Statement row = db.prepare("SELECT reference, created_at FROM case_info WHERE id = 1");
    if (row.step()) {
        info.reference = row.bytes(0);
        info.createdAt = row.bytes(1);
    }
    Statement names = db.prepare("SELECT name FROM examiners ORDER BY name");
    while (names.step()) {
        info.examiners.push_back(names.bytes(0));
    }
    return info;
}

std::vector<RecordingRow> CaseFile::recordings(bool withRemoved) const {
    std::vector<RecordingRow> rows;
    forEachRecording([&](const RecordingRow& row) { rows.push_back(row); }, withRemoved);
    return rows;
}

void CaseFile::forEachRecording(const std::function<void(const RecordingRow&)>& visit,
                                bool withRemoved) const {
    Statement select = db.prepare("SELECT " + recordingColumns() + " FROM recordings" +
                                  (withRemoved ? "" : " WHERE removed = 0") + " ORDER BY id");
    while (select.step()) {
        visit(readRecording(select));
    }
}

std::optional<RecordingRow> CaseFile::recordingByPath(const std::string& pathBytes) const {
    Statement select =
        db.prepare("SELECT " + recordingColumns() + " FROM recordings WHERE path = ?");
    select.bindBlob(1, pathBytes);
    return select.step() ? std::optional<RecordingRow>(readRecording(select)) : std::nullopt;
}

std::optional<RecordingRow> CaseFile::recordingById(int64_t id) const {
    Statement select =
        db.prepare("SELECT " + recordingColumns() + " FROM recordings WHERE id = ?");
    select.bind(1, id);
    return select.step() ? std::optional<RecordingRow>(readRecording(select)) : std::nullopt;
}

std::optional<StoredVerification> CaseFile::latestVerification(int64_t recording) const {
    Statement select =
        db.prepare(std::string("SELECT ") + kVerificationColumns + kVerificationTables +
                   " WHERE v.recording = ? ORDER BY v.id DESC LIMIT 1");
    select.bind(1, recording);
    return select.step() ? std::optional<StoredVerification>(readVerification(select))
                         : std::nullopt;
}

std::vector<StoredVerification> CaseFile::verifications(int64_t recording) const {
    std::vector<StoredVerification> rows;
    Statement select = db.prepare(std::string("SELECT ") + kVerificationColumns +
                                  kVerificationTables + " WHERE v.recording = ? ORDER BY v.id");
    select.bind(1, recording);
    while (select.step()) {
        rows.push_back(readVerification(select));
    }
    return rows;
}

std::optional<StoredVerification> CaseFile::verification(int64_t id) const {
    Statement select = db.prepare(std::string("SELECT ") + kVerificationColumns +
                                  kVerificationTables + " WHERE v.id = ?");
    select.bind(1, id);
    return select.step() ? std::optional<StoredVerification>(readVerification(select))
                         : std::nullopt;
}

void CaseFile::forEachVerification(
    const std::vector<int64_t>& ids,
    const std::function<void(size_t, std::optional<StoredVerification>&&)>& visit) const {
    db.exec("BEGIN");
    // Only read: ending it keeps nothing and loses nothing.
    struct End {
        const Database& db;
        ~End() {
            try {
                db.exec("COMMIT");
            } catch (const CaseError&) {
            }
        }
    } end{db};
    for (size_t i = 0; i < ids.size(); ++i) {
        visit(i, verification(ids[i]));
    }
}

void CaseFile::forEachEvent(const std::function<void(const CustodyEvent&)>& visit) const {
    ::forEachEvent(db, visit);
}

void CaseFile::saveCopy(const std::string& path) const {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        throw CaseError(CaseErrorKind::Io, "a file is already at this path; a case is saved to a new file");
    }
    const Database copy(path, Database::Mode::Create, 0);
    copyDatabase(db, copy);
    // At rest as a closed case is: one file, which a reader leaves alone.
    Statement journal = copy.prepare("PRAGMA journal_mode=DELETE");
    journal.step();
}

std::vector<CustodyEvent> CaseFile::events(int64_t recording) const {
    return eventsOfRecording(db, recording);
}

std::vector<std::string> CaseFile::caseNotes() const {
    std::vector<std::string> notes;
    Statement select = db.prepare("SELECT text FROM notes WHERE recording IS NULL ORDER BY id");
    while (select.step()) {
        notes.push_back(select.bytes(0));
    }
    return notes;
}

std::vector<CaseFile::NoteAfterVerification> CaseFile::notesAfterVerification(
    const std::string& prefix) const {
    std::vector<NoteAfterVerification> notes;
    Statement select = db.prepare(
        "SELECT n.text, v.verified_at, v.code FROM notes n JOIN verifications v "
        "ON v.recording = n.recording AND v.event = n.event - 1 "
        "WHERE substr(n.text, 1, ?) = ? ORDER BY n.id");
    select.bind(1, static_cast<int64_t>(prefix.size())).bind(2, prefix);
    while (select.step()) {
        notes.push_back({select.bytes(0), select.bytes(1), select.integer(2)});
    }
    return notes;
}

ChainHead CaseFile::head() const {
    return chainHead(db);
}

std::optional<CustodyEvent> CaseFile::event(int64_t seq) const {
    return eventWhere(db, "seq = ?", [seq](Statement& s) { s.bind(1, seq); });
}

std::optional<CustodyEvent> CaseFile::exportOf(const std::string& sha256) const {
    return eventWhere(db, "kind = 'exported' AND sha256 = ?",
                      [&sha256](Statement& s) { s.bind(1, sha256); });
}

std::vector<int64_t> CaseFile::stillExportEvents() const {
    std::vector<int64_t> events;
    Statement select = db.prepare("SELECT event FROM exports WHERE format = 'still' ORDER BY id");
    while (select.step()) {
        events.push_back(select.integer(0));
    }
    return events;
}

AuditResult CaseFile::audit() const {
    return auditLog(db);
}

int64_t CaseFile::ensureRecording(const Actor& actor, const FileFacts& file,
                                  std::optional<RecordingRow>& existing, std::string* addedAt) {
    existing = recordingByPath(file.path);
    if (existing) {
        // What goes into new events is taken from the log, not from the
        // list's copy: an edited row must not be quoted into the chain.
        Statement first = db.prepare(
            "SELECT at, sha256 FROM events WHERE recording = ? AND kind = 'recording-added' "
            "ORDER BY seq LIMIT 1");
        first.bind(1, existing->id);
        if (!first.step()) {
            throw CaseError(CaseErrorKind::Corrupt,
                            "the case lists a recording its custody log never added; run --audit");
        }
        existing->addedAt = first.bytes(0);
        existing->intakeSha256 = first.optionalBytes(1);
    }
    CustodyEvent added;
    added.kind = EventKind::RecordingAdded;
    added.actor = actor;
    added.path = file.path;
    if (existing) {
        if (!existing->removed) {
            return existing->id;
        }
        // Listed again: the intake stays that of the first addition.
        added.recording = existing->id;
        added.sha256 = existing->intakeSha256;
        added.detail = "listed again";
        added = append(added);
        Statement update =
            db.prepare("UPDATE recordings SET removed = 0, added_event = ? WHERE id = ?");
        update.bind(1, added.seq).bind(2, existing->id).run();
        existing->removed = false;
        return existing->id;
    }
    const std::string relative = relativeToCase(file.path);
    if ((existing = movedRecording(relative, file))) {
        // The case moved with its recordings: this is the same recording at
        // its new place, and the log says where it was found.
        CustodyEvent found;
        found.kind = EventKind::RecordingFound;
        found.actor = actor;
        found.recording = existing->id;
        found.path = file.path;
        found.sha256 = existing->intakeSha256;
        found.detail = "found at its place relative to the case file";
        found = append(found);
        Statement update = db.prepare("UPDATE recordings SET path = ?, added_event = ? WHERE id = ?");
        update.bindBlob(1, file.path).bind(2, found.seq).bind(3, existing->id).run();
        existing->path = file.path;
        return existing->id;
    }
    added.at = utcNowText();
    if (addedAt != nullptr) {
        *addedAt = added.at;
    }
    Statement insert = db.prepare(
        "INSERT INTO recordings (path, size, modified, intake_sha256, added_at, added_event, "
        "relative_path) VALUES (?, ?, ?, ?, ?, 0, ?)");
    insert.bindBlob(1, file.path)
        .bind(2, file.size)
        .bind(3, file.modified)
        .bind(4, file.sha256)
        .bind(5, added.at)
        .bindBlob(6, relative)
        .run();
    const int64_t id = db.lastInsertId();
    added.recording = id;
    added.sha256 = file.sha256;
    added.detail = recordingAddedDetail(
        file.size, file.modified,
        schemaVersion >= kRelativePathsSince ? std::optional<std::string>(relative) : std::nullopt);
    added = append(added);
    Statement update = db.prepare("UPDATE recordings SET added_event = ? WHERE id = ?");
    update.bind(1, added.seq).bind(2, id).run();
    return id;
}

CustodyEvent CaseFile::append(const CustodyEvent& event) {
    if (key) {
        recordExaminerKey(db, event.actor, *key);
    }
    return appendEvent(db, event);
}

void CaseFile::seal(const Actor& actor) {
    requireWritable();
    if (!key) {
        return;
    }
    Transaction transaction(db);
    appendSeal(db, actor, *key);
    transaction.commit();
}

void CaseFile::holdCheckpoints() {
    db.exec("PRAGMA wal_autocheckpoint=0");
}

void CaseFile::checkpoint() {
    db.exec("PRAGMA wal_checkpoint(PASSIVE)");
}

Transaction CaseFile::batch() {
    requireWritable();
    return Transaction(db);
}

int64_t CaseFile::addRecording(const Actor& actor, const FileFacts& file) {
    requireWritable();
    Transaction transaction(db);
    std::optional<RecordingRow> existing;
    const int64_t id = ensureRecording(actor, file, existing);
    transaction.commit();
    return id;
}

RecordedVerification CaseFile::recordVerification(const Actor& actor,
                                                  const VerificationFacts& facts,
                                                  const EvidenceText& evidenceText) {
    requireWritable();
    Transaction transaction(db);
    std::optional<RecordingRow> existing;
    RecordedVerification result;
    std::string addedAt;
    result.recording = ensureRecording(actor, facts.file, existing, &addedAt);
    if (existing) {
        result.fixity = compareWithIntake(existing->intakeSha256, existing->addedAt, facts.file);
    } else {
        result.fixity.state = facts.file.sha256 ? Fixity::Intake : Fixity::NoIntake;
        result.fixity.intakeSha256 = facts.file.sha256;
        result.fixity.nowSha256 = facts.file.sha256;
        result.fixity.addedAt = addedAt;
    }
    result.firstOfRecording = !existing || !existing->latestVerification;
    const std::string evidence = evidenceText(result.fixity);
    const std::string fixity = fixityCode(result.fixity.state);

    CustodyEvent event;
    event.kind = result.firstOfRecording ? EventKind::Verified : EventKind::VerifiedAgain;
    event.actor = actor;
    event.recording = result.recording;
    event.path = facts.file.path;
    event.sha256 = facts.file.sha256;
    event.record = sha256Hex(evidence.data(), evidence.size());
    event.detail = verificationDetail(facts.code, fixity, facts.verifiedAt);
    event = append(event);

    Statement insert = db.prepare(
        "INSERT INTO verifications (recording, event, verified_at, code, sha256, fixity) "
        "VALUES (?, ?, ?, ?, ?, ?)");
    insert.bind(1, result.recording)
        .bind(2, event.seq)
        .bind(3, facts.verifiedAt)
        .bind(4, facts.code)
        .bind(5, facts.file.sha256)
        .bind(6, fixity)
        .run();
    result.verification = db.lastInsertId();
    Statement stored = db.prepare("INSERT INTO evidence (verification, json) VALUES (?, ?)");
    stored.bind(1, result.verification).bind(2, evidence).run();
    Statement latest = db.prepare(
        "UPDATE recordings SET latest_verification = ?, latest_code = ?, latest_fixity = ?, "
        "latest_at = ? WHERE id = ?");
    latest.bind(1, result.verification)
        .bind(2, facts.code)
        .bind(3, fixity)
        .bind(4, facts.verifiedAt)
        .bind(5, result.recording)
        .run();
    transaction.commit();
    return result;
}

void CaseFile::recordExport(const Actor& actor, const std::string& format,
                            const std::string& pathBytes, const std::string& sha256,
                            const std::optional<std::string>& record) {
    requireWritable();
    Transaction transaction(db);
    CustodyEvent event;
    event.kind = EventKind::Exported;
    event.actor = actor;
    event.path = pathBytes;
    event.sha256 = sha256;
    event.record = record;
    event.detail = format;
    event = append(event);
    Statement insert = db.prepare(
        "INSERT INTO exports (event, exported_at, format, path, sha256) VALUES (?, ?, ?, ?, ?)");
    insert.bind(1, event.seq).bind(2, event.at).bind(3, format).bindBlob(4, pathBytes).bind(5, sha256).run();
    transaction.commit();
}

void CaseFile::addNote(const Actor& actor, std::optional<int64_t> recording,
                       const std::string& text) {
    requireWritable();
    Transaction transaction(db);
    CustodyEvent event;
    event.kind = EventKind::NoteAdded;
    event.actor = actor;
    event.recording = recording;
    event.record = sha256Hex(text.data(), text.size());
    event = append(event);
    Statement insert = db.prepare(
        "INSERT INTO notes (event, recording, written_at, text) VALUES (?, ?, ?, ?)");
    insert.bind(1, event.seq).bind(2, recording).bind(3, event.at).bind(4, text).run();
    transaction.commit();
}

void CaseFile::recordKeyStoreChange(const Actor& actor, const std::string& storePathBytes,
                                    const std::string& sha256, const std::string& detail) {
    requireWritable();
    Transaction transaction(db);
    CustodyEvent event;
    event.kind = EventKind::KeyStoreChanged;
    event.actor = actor;
    event.path = storePathBytes;
    event.sha256 = sha256;
    // A label or reason is the examiner's text: kept valid UTF-8, as every
    // event's text is.
    event.detail = validUtf8(detail);
    append(event);
    transaction.commit();
}

void CaseFile::removeRecording(const Actor& actor, int64_t recording) {
    requireWritable();
    Transaction transaction(db);
    const std::optional<RecordingRow> row = recordingById(recording);
    if (!row || row->removed) {
        return;  // nothing to take off the list; the transaction rolls back
    }
    CustodyEvent event;
    event.kind = EventKind::RecordingRemoved;
    event.actor = actor;
    event.recording = recording;
    event.path = row->path;
    event.sha256 = row->intakeSha256;
    append(event);
    Statement update = db.prepare("UPDATE recordings SET removed = 1 WHERE id = ?");
    update.bind(1, recording).run();
    transaction.commit();
}
