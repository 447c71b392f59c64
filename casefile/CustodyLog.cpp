#include "casefile/CustodyLog.h"

#include <map>
#include <set>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "casefile/Database.h"
#include "casefile/ExaminerKey.h"
#include "casefile/Schema.h"
#include "casefile/Seal.h"
#include "report/Escape.h"
#include "report/ReportContext.h"
#include "signature/Hex.h"
#include "signature/Sha256.h"

namespace {

// recordingAddedDetail in SQL, over the recordings row `r`.
const char* const kAddedDetailSql =
    "(CASE WHEN r.size IS NULL THEN 'size not taken' ELSE 'size ' || r.size || ' bytes' END || "
    "'; ' || CASE WHEN r.modified IS NULL THEN 'modification time not taken' ELSE 'modified ' || "
    "r.modified END";
// Its last part from the version on that keeps the recording's relative place.
const char* const kAddedPlaceSql =
    " || CASE WHEN r.relative_path IS NULL THEN '' ELSE '; relative path (hex) ' || "
    "hex(r.relative_path) END";

const char* const kEventColumns =
    "seq, kind, at, examiner, host, program, version, build, recording, path, sha256, record, "
    "detail, prev, hash";

// An event as stored; a kind this program does not know comes back as none.
std::optional<CustodyEvent> readEvent(const Statement& row, std::string& kindText) {
    CustodyEvent event;
    event.seq = row.integer(0);
    kindText = row.bytes(1);
    event.at = row.bytes(2);
    event.actor.examiner = row.bytes(3);
    event.actor.host = row.bytes(4);
    event.actor.program = row.bytes(5);
    event.actor.version = row.bytes(6);
    event.actor.build = row.bytes(7);
    event.recording = row.optionalInteger(8);
    event.path = row.bytes(9);
    event.sha256 = row.optionalBytes(10);
    event.record = row.optionalBytes(11);
    event.detail = row.bytes(12);
    event.prev = row.bytes(13);
    event.hash = row.bytes(14);
    const std::optional<EventKind> kind = eventKindFromCode(kindText);
    if (!kind) {
        return std::nullopt;
    }
    event.kind = *kind;
    return event;
}

// The newest event's number and hash: what the next event links to.
ChainHead newestEvent(const Database& db) {
    ChainHead head;
    Statement last = db.prepare("SELECT seq, hash FROM events ORDER BY seq DESC LIMIT 1");
    if (last.step()) {
        head.events = last.integer(0);
        head.hash = last.bytes(1);
    }
    return head;
}

// Keeps the problem of the earliest event among those found.
void note(AuditResult& result, int64_t event, const std::string& problem) {
    if (!result.brokenEvent || event < *result.brokenEvent) {
        result.brokenEvent = event;
        result.problem = problem;
    }
}

std::string eventName(int64_t seq) {
    return "event " + std::to_string(seq);
}

// The examiners' keys met so far in the walk, and the seals they verify.
class SealCheck {
  public:
    explicit SealCheck(const Database& db_) : db(db_), withSeals(holdsSeals(db_)) {}

    // The problem with a key or seal event; empty when it holds.
    std::string check(const CustodyEvent& event, AuditResult& result) {
        const std::string name = eventName(event.seq);
        if (event.kind != EventKind::ExaminerKey && event.kind != EventKind::Sealed) {
            return std::string();
        }
        if (!withSeals) {
            return name + " is a key or a seal in a case whose schema keeps none";
        }
        const std::string fingerprint = event.record.value_or("");
        if (event.kind == EventKind::ExaminerKey) {
            const std::string key = publicKeyOfDetail(event.detail);
            if (key.empty() || keyFingerprint(key) != fingerprint) {
                return name + " (examiner-key) does not name an Ed25519 public key with its "
                              "fingerprint";
            }
            keys[fingerprint] = key;
            owners.insert({event.actor.examiner, fingerprint});
            return std::string();
        }
        const auto key = keys.find(fingerprint);
        if (key == keys.end() || owners.count({event.actor.examiner, fingerprint}) == 0) {
            return name + " is a seal by " + validUtf8(event.actor.examiner) +
                   " with a key the log does not give to that examiner before it";
        }
        const std::optional<std::string> signature = sealSignature(db, event.seq);
        if (!signature || !verifySignature(key->second, event.hash, *signature)) {
            return name + " is a seal by " + validUtf8(event.actor.examiner) + " (key " +
                   fingerprint +
                   ") whose signature does not verify: the log up to it was rewritten, or the "
                   "seal was, by someone without that key";
        }
        result.seals.push_back({event.seq, event.actor.examiner, fingerprint});
        return std::string();
    }

  private:
    const Database& db;
    const bool withSeals;
    std::map<std::string, std::string> keys;              // public key by fingerprint
    std::set<std::pair<std::string, std::string>> owners;  // (examiner, fingerprint)
};

// The ids one column of a table holds, for looking events' rows up while
// the log is walked rather than scanning the log once more per kind of row.
std::unordered_set<int64_t> idsOf(const Database& db, const std::string& sql) {
    std::unordered_set<int64_t> ids;
    Statement rows = db.prepare(sql);
    while (rows.step()) {
        ids.insert(rows.integer(0));
    }
    return ids;
}

// What the walk of the log finds about the stored rows, for auditStoredRows
// to note in its turn: each event is read once, however many checks ask
// about it.
struct WalkFacts {
    std::vector<int64_t> rowGone;     // an event whose row is gone
    std::vector<int64_t> keyRowGone;  // an examiner-key event without its row
    std::vector<int64_t> unknownExaminer;  // the first event of each examiner not listed
    int64_t recordingsWithoutDetail = 0;   // recording-added before sizes were logged
    int64_t verificationsWithoutTime = 0;  // verified* before their time was logged
};

// Whether `text` holds `part`, ASCII letters in either case (as SQL's LIKE).
bool containsIgnoringCase(std::string text, const std::string& part) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text.find(part) != std::string::npos;
}

// The rows the events vouch for, by the column that names their event (or
// recording), and the examiners listed.
class StoredRows {
  public:
    explicit StoredRows(const Database& db)
        : verifications(idsOf(db, "SELECT event FROM verifications")),
          notes(idsOf(db, "SELECT event FROM notes")),
          exports(idsOf(db, "SELECT event FROM exports")),
          recordings(idsOf(db, "SELECT id FROM recordings")),
          keys(holdsSeals(db) ? idsOf(db, "SELECT event FROM examiner_keys")
                              : std::unordered_set<int64_t>()) {
        Statement rows = db.prepare("SELECT name FROM examiners");
        while (rows.step()) {
            examiners.insert(rows.bytes(0));
        }
    }

    void see(const CustodyEvent& event, WalkFacts& facts) {
        const int64_t seq = event.seq;
        switch (event.kind) {
            case EventKind::Verified:
            case EventKind::VerifiedAgain:
                if (verifications.count(seq) == 0) {
                    facts.rowGone.push_back(seq);
                }
                if (!containsIgnoringCase(event.detail, "; verified ")) {
                    ++facts.verificationsWithoutTime;
                }
                break;
            case EventKind::NoteAdded:
                if (notes.count(seq) == 0) {
                    facts.rowGone.push_back(seq);
                }
                break;
            case EventKind::Exported:
                if (exports.count(seq) == 0) {
                    facts.rowGone.push_back(seq);
                }
                break;
            case EventKind::RecordingAdded:
            case EventKind::RecordingFound:
                if (event.recording && recordings.count(*event.recording) == 0) {
                    facts.rowGone.push_back(seq);
                }
                if (event.kind == EventKind::RecordingAdded && event.detail.empty()) {
                    ++facts.recordingsWithoutDetail;
                }
                break;
            case EventKind::ExaminerKey:
                if (keys.count(seq) == 0) {
                    facts.keyRowGone.push_back(seq);
                }
                break;
            default:
                break;
        }
        if (examiners.count(event.actor.examiner) == 0 &&
            missingExaminers.insert(event.actor.examiner).second) {
            facts.unknownExaminer.push_back(seq);
        }
    }

  private:
    std::unordered_set<int64_t> verifications, notes, exports, recordings, keys;
    std::set<std::string> examiners;
    std::set<std::string> missingExaminers;  // noted at their first event
};

// Walks the chain in order: numbering, links, hashes and seals; and
// gathers what the stored rows must answer for.
void auditChain(const Database& db, AuditResult& result, WalkFacts& facts) {
    StoredRows stored(db);
    Statement rows = db.prepare(std::string("SELECT ") + kEventColumns + " FROM events ORDER BY seq");
    std::string previous = kNoPreviousEvent;
    int64_t expected = 1;
    SealCheck seals(db);
    while (rows.step()) {
        std::string kindText;
        const std::optional<CustodyEvent> event = readEvent(rows, kindText);
        const int64_t seq = rows.integer(0);
        const std::string name = eventName(seq);
        if (seq != expected) {
            note(result, seq,
                 seq > expected ? name + " follows " + eventName(expected - 1) +
                                      ": the events between are missing"
                                : name + " is out of order");
            break;
        }
        if (!event) {
            note(result, seq, name + " has a kind this program does not know: \"" +
                                  validUtf8(kindText) + "\"");
            break;
        }
        if (seq == 1 && event->kind != EventKind::CaseCreated) {
            note(result, seq, name + " is not the creation of the case");
            break;
        }
        if (event->prev != previous) {
            note(result, seq, name + " does not follow " + eventName(seq - 1) +
                                  ": it names the previous event's SHA-256 as " +
                                  validUtf8(event->prev) + ", which is " + previous);
            break;
        }
        const std::string hash = eventHash(*event);
        if (hash != event->hash) {
            note(result, seq, name + " (" + eventKindCode(event->kind) +
                                  ") was changed: its fields hash to " + hash +
                                  ", not to the SHA-256 stored with it");
            break;
        }
        if (const std::string problem = seals.check(*event, result); !problem.empty()) {
            note(result, seq, problem);
            break;
        }
        stored.see(*event, facts);
        previous = event->hash;
        result.events = seq;
        ++expected;
    }
    // Where the chain broke, the head of the part that still holds.
    result.head = previous;
}

// Each query returns (event, problem) rows for stored rows that disagree
// with the event that vouches for them, or events whose row is gone.
void auditRows(const Database& db, AuditResult& result, const std::string& sql,
               const std::string& problem, bool hashColumn2 = false) {
    Statement rows = db.prepare(sql);
    while (rows.step()) {
        const int64_t seq = rows.integer(0);
        if (hashColumn2 && !rows.isNull(2)) {
            const std::string_view text = rows.view(1);
            if (sha256Hex(text.data(), text.size()) == rows.view(2)) {
                continue;
            }
        }
        note(result, seq, eventName(seq) + ": " + problem);
    }
}

// Each verification's evidence against the SHA-256 its event records, and
// evidence that no verification owns. Both tables are read in id order and
// matched here, so the evidence, the bulk of a case, is read once: a lookup
// per verification, and a second pass for the unowned, each read it again.
void auditEvidence(const Database& db, AuditResult& result) {
    Statement verifications = db.prepare(
        "SELECT v.id, v.event, e.record FROM verifications v LEFT JOIN events e ON e.seq = v.event "
        "AND e.kind IN ('verified', 'verified-again') AND e.recording IS v.recording AND e.sha256 "
        "IS v.sha256 AND (e.detail = 'code ' || v.code || '; fixity ' || v.fixity || '; verified "
        "' || v.verified_at OR e.detail = 'code ' || v.code || '; fixity ' || v.fixity) ORDER BY "
        "v.id");
    Statement evidence = db.prepare("SELECT verification, json FROM evidence ORDER BY verification");
    bool more = evidence.step();
    const auto unowned = [&result] {
        note(result, 0, eventName(0) + ": evidence is stored that no verification of the log owns");
    };
    while (verifications.step()) {
        const int64_t id = verifications.integer(0);
        for (; more && evidence.integer(0) < id; more = evidence.step()) {
            unowned();
        }
        bool holds = false;
        if (more && evidence.integer(0) == id) {
            if (!verifications.isNull(2)) {
                const std::string_view json = evidence.view(1);
                holds = sha256Hex(json.data(), json.size()) == verifications.view(2);
            }
            more = evidence.step();
        }
        if (!holds) {
            const int64_t seq = verifications.integer(1);
            note(result, seq,
                 eventName(seq) +
                     ": the evidence stored with this verification is not the one the log recorded");
        }
    }
    for (; more; more = evidence.step()) {
        unowned();
    }
}

// The events the walk found, each noted with the same problem.
void noteEach(AuditResult& result, const std::vector<int64_t>& events, const std::string& problem) {
    for (const int64_t seq : events) {
        note(result, seq, eventName(seq) + ": " + problem);
    }
}

void auditStoredRows(const Database& db, AuditResult& result, const WalkFacts& facts) {
    // Evidence and notes: the event carries the SHA-256 of the stored text.
    auditEvidence(db, result);
    auditRows(db, result,
              "SELECT n.event, n.text, e.record FROM notes n LEFT JOIN events e "
              "ON e.seq = n.event AND e.kind = 'note-added' AND e.recording IS n.recording "
              "AND e.at = n.written_at",
              "the note stored with this event is not the one the log recorded", true);
    auditRows(db, result,
              "SELECT x.event FROM exports x LEFT JOIN events e ON e.seq = x.event "
              "AND e.kind = 'exported' AND e.path = x.path AND e.sha256 IS x.sha256 "
              "AND e.detail = x.format AND e.at = x.exported_at WHERE e.seq IS NULL",
              "the export stored with this event is not the one the log recorded");
    auditRows(db, result,
              "SELECT r.added_event FROM recordings r LEFT JOIN events e ON e.seq = r.added_event "
              "AND e.kind IN ('recording-added', 'recording-found') AND e.recording = r.id "
              "AND e.path = r.path AND e.sha256 IS r.intake_sha256 WHERE e.seq IS NULL OR "
              "r.added_event IS NOT (SELECT max(seq) FROM events f WHERE f.recording = r.id AND "
              "f.kind IN ('recording-added', 'recording-found'))",
              "the recording's path or intake SHA-256 is not the one the log recorded");
    // The first addition carries the time, size and modification time.
    auditRows(db, result,
              "SELECT e.seq FROM recordings r JOIN events e ON e.seq = (SELECT min(seq) FROM "
              "events f WHERE f.recording = r.id AND f.kind = 'recording-added') WHERE r.added_at "
              "IS NOT e.at OR (e.detail <> '' AND e.detail IS NOT " +
                  std::string(kAddedDetailSql) +
                  (db.queryInt("PRAGMA user_version") >= kRelativePathsSince ? kAddedPlaceSql : "") +
                  "))",
              "the recording's time of addition, size, modification time or place relative to "
              "the case is not the one the log recorded");
    // Rows numbered in the order of their events.
    auditRows(db, result,
              "SELECT x.event FROM exports x WHERE x.id IS NOT (SELECT count(*) FROM exports y "
              "WHERE y.event <= x.event)",
              "the export's number is not its place among the exports of the log");
    auditRows(db, result,
              "SELECT n.event FROM notes n WHERE n.id IS NOT (SELECT count(*) FROM notes y "
              "WHERE y.event <= n.event)",
              "the note's number is not its place among the notes of the log");
    // Events whose stored row went away.
    noteEach(result, facts.rowGone, "the row this event vouches for is gone");
    // The list's shortcuts must say what the log says.
    auditRows(db, result,
              "SELECT coalesce(v.event, r.added_event) FROM recordings r LEFT JOIN verifications v "
              "ON v.id = r.latest_verification WHERE r.latest_verification IS NOT (SELECT id FROM "
              "verifications w WHERE w.recording = r.id ORDER BY w.event DESC LIMIT 1) OR r.latest_code IS NOT v.code OR "
              "r.latest_fixity IS NOT v.fixity OR r.latest_at IS NOT v.verified_at OR r.removed IS "
              "NOT (coalesce((SELECT max(seq) FROM events e WHERE e.recording = r.id AND e.kind = "
              "'recording-removed'), 0) > (SELECT max(seq) FROM events e WHERE e.recording = r.id "
              "AND e.kind = 'recording-added'))",
              "the recording's latest verdict or place on the list is not the one the log "
              "recorded");
    auditRows(db, result,
              "SELECT 1 FROM case_info c LEFT JOIN events e ON e.seq = 1 AND e.detail = "
              "c.reference AND e.at = c.created_at WHERE e.seq IS NULL",
              "the case reference or its time of creation is not the one the log recorded");
    // The examiners are those of the events, each first seen at its first.
    auditRows(db, result,
              "SELECT coalesce((SELECT min(seq) FROM events e WHERE e.examiner = x.name), 1) FROM "
              "examiners x WHERE x.first_seen IS NOT (SELECT at FROM events e WHERE e.examiner = "
              "x.name ORDER BY seq LIMIT 1)",
              "the examiner's name or first appearance is not the one the log recorded");
    noteEach(result, facts.unknownExaminer,
             "the examiner of this event is missing from the case's examiners");
    if (holdsSeals(db)) {
        auditRows(db, result,
                  "SELECT coalesce(k.event, 1) FROM examiner_keys k LEFT JOIN events e ON e.seq = "
                  "k.event AND e.kind = 'examiner-key' AND e.examiner = k.examiner AND e.record = "
                  "k.fingerprint WHERE e.seq IS NULL",
                  "the examiner's key stored with this event is not the one the log recorded");
        noteEach(result, facts.keyRowGone, "the row this event vouches for is gone");
        auditRows(db, result,
                  "SELECT s.event FROM seals s LEFT JOIN events e ON e.seq = s.event AND e.kind = "
                  "'sealed' WHERE e.seq IS NULL",
                  "a signature is stored for this event, which is no seal");
    }
}

// Events of older versions that did not yet carry some of the fields.
void noteUnvouched(AuditResult& result, const WalkFacts& facts) {
    const int64_t recordings = facts.recordingsWithoutDetail;
    if (recordings > 0) {
        result.unvouched.push_back(
            "the size and modification time of " + std::to_string(recordings) +
            " recording(s) added by an older version, which did not log them");
    }
    const int64_t verifications = facts.verificationsWithoutTime;
    if (verifications > 0) {
        result.unvouched.push_back("the time of " + std::to_string(verifications) +
                                   " verification(s) made by an older version, which did not "
                                   "log it (their evidence, which is vouched, carries it)");
    }
}

}  // namespace

std::string verificationDetail(int64_t code, const std::string& fixity,
                               const std::string& verifiedAt) {
    return "code " + std::to_string(code) + "; fixity " + fixity + "; verified " + verifiedAt;
}

std::string recordingAddedDetail(const std::optional<int64_t>& size,
                                 const std::optional<std::string>& modified,
                                 const std::optional<std::string>& relativePath) {
    return (size ? "size " + std::to_string(*size) + " bytes" : std::string("size not taken")) +
           "; " + (modified ? "modified " + *modified : std::string("modification time not taken")) +
           (relativePath ? "; relative path (hex) " + upperHexBytes(*relativePath) : std::string());
}

CustodyEvent appendEvent(const Database& db, CustodyEvent event) {
    const ChainHead head = newestEvent(db);
    event.seq = head.events + 1;
    event.prev = head.hash;
    if (event.at.empty()) {
        event.at = utcNowText();
    }
    event.hash = eventHash(event);
    Statement insert = db.prepare(std::string("INSERT INTO events (") + kEventColumns +
                                  ") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    insert.bind(1, event.seq)
        .bind(2, std::string(eventKindCode(event.kind)))
        .bind(3, event.at)
        .bind(4, event.actor.examiner)
        .bind(5, event.actor.host)
        .bind(6, event.actor.program)
        .bind(7, event.actor.version)
        .bind(8, event.actor.build)
        .bind(9, event.recording)
        .bindBlob(10, event.path)
        .bind(11, event.sha256)
        .bind(12, event.record)
        .bind(13, event.detail)
        .bind(14, event.prev)
        .bind(15, event.hash)
        .run();
    Statement examiner =
        db.prepare("INSERT OR IGNORE INTO examiners (name, first_seen) VALUES (?, ?)");
    examiner.bind(1, event.actor.examiner).bind(2, event.at).run();
    return event;
}

ChainHead chainHead(const Database& db) {
    ChainHead head;
    Statement last =
        db.prepare("SELECT seq, hash, kind, examiner, record FROM events ORDER BY seq DESC LIMIT 1");
    if (last.step()) {
        head.events = last.integer(0);
        head.hash = last.bytes(1);
        if (last.bytes(2) == eventKindCode(EventKind::Sealed) && holdsSeals(db)) {
            head.seal = HeadSeal{last.bytes(3), last.bytes(4),
                                 sealSignature(db, head.events).value_or("")};
        }
    }
    return head;
}

std::string headText(const ChainHead& head) {
    std::string text = std::to_string(head.events) + " custody events; SHA-256 of the newest " +
                       head.hash;
    ReportContext seal;
    if (head.seal) {
        seal.custodySealExaminer = head.seal->examiner;
        seal.custodySealKey = head.seal->fingerprint;
        seal.custodySealSignature = head.seal->signature;
    }
    return text + "; " + displayText(custodySealText(seal));
}

std::vector<CustodyEvent> eventsOfRecording(const Database& db, int64_t recording) {
    std::vector<CustodyEvent> events;
    Statement rows = db.prepare(std::string("SELECT ") + kEventColumns +
                                " FROM events WHERE recording = ? ORDER BY seq");
    rows.bind(1, recording);
    while (rows.step()) {
        std::string kindText;
        if (std::optional<CustodyEvent> event = readEvent(rows, kindText)) {
            events.push_back(std::move(*event));
        }
    }
    return events;
}

std::optional<CustodyEvent> eventWhere(const Database& db, const std::string& where,
                                       const std::function<void(Statement&)>& bind) {
    Statement rows = db.prepare(std::string("SELECT ") + kEventColumns + " FROM events WHERE " +
                                where + " ORDER BY seq LIMIT 1");
    bind(rows);
    std::string kindText;
    return rows.step() ? readEvent(rows, kindText) : std::nullopt;
}

void forEachEvent(const Database& db, const std::function<void(const CustodyEvent&)>& visit) {
    Statement rows = db.prepare(std::string("SELECT ") + kEventColumns + " FROM events ORDER BY seq");
    while (rows.step()) {
        std::string kindText;
        if (std::optional<CustodyEvent> event = readEvent(rows, kindText)) {
            visit(*event);
        }
    }
}

AuditResult auditLog(const Database& db) {
    AuditResult result;
    WalkFacts facts;
    auditChain(db, result, facts);
    if (result.intact()) {
        auditStoredRows(db, result, facts);
    }
    if (result.intact()) {
        noteUnvouched(result, facts);
    } else {
        result.seals.clear();
    }
    return result;
}
