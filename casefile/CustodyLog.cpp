#include "casefile/CustodyLog.h"

#include "casefile/Database.h"
#include "report/Escape.h"
#include "signature/Sha256.h"

namespace {

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

std::string sha256Of(const std::string& bytes) {
    return sha256Hex(bytes.data(), bytes.size());
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

// Walks the chain in order: numbering, links and hashes.
void auditChain(const Database& db, AuditResult& result) {
    Statement rows = db.prepare(std::string("SELECT ") + kEventColumns + " FROM events ORDER BY seq");
    std::string previous = kNoPreviousEvent;
    int64_t expected = 1;
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
        if (hashColumn2 && !rows.isNull(2) && sha256Of(rows.bytes(1)) == rows.bytes(2)) {
            continue;
        }
        note(result, seq, eventName(seq) + ": " + problem);
    }
}

void auditStoredRows(const Database& db, AuditResult& result) {
    // Evidence and notes: the event carries the SHA-256 of the stored text.
    auditRows(db, result,
              "SELECT v.event, x.json, e.record FROM verifications v LEFT JOIN evidence x ON "
              "x.verification = v.id LEFT JOIN events e ON e.seq = v.event AND e.kind IN ('verified', 'verified-again') "
              "AND e.recording IS v.recording AND e.sha256 IS v.sha256 "
              "AND e.detail = 'code ' || v.code || '; fixity ' || v.fixity",
              "the evidence stored with this verification is not the one the log recorded",
              true);
    auditRows(db, result,
              "SELECT n.event, n.text, e.record FROM notes n LEFT JOIN events e "
              "ON e.seq = n.event AND e.kind = 'note-added' AND e.recording IS n.recording",
              "the note stored with this event is not the one the log recorded", true);
    auditRows(db, result,
              "SELECT x.event FROM exports x LEFT JOIN events e ON e.seq = x.event "
              "AND e.kind = 'exported' AND e.path = x.path AND e.sha256 IS x.sha256 "
              "AND e.detail = x.format WHERE e.seq IS NULL",
              "the export stored with this event is not the one the log recorded");
    auditRows(db, result,
              "SELECT r.added_event FROM recordings r LEFT JOIN events e ON e.seq = r.added_event "
              "AND e.kind IN ('recording-added', 'recording-found') AND e.recording = r.id "
              "AND e.path = r.path "
              "AND e.sha256 IS r.intake_sha256 WHERE e.seq IS NULL",
              "the recording's path or intake SHA-256 is not the one the log recorded");
    auditRows(db, result,
              "SELECT coalesce(v.event, 0) FROM evidence x LEFT JOIN verifications v ON v.id = "
              "x.verification WHERE v.id IS NULL",
              "evidence is stored that no verification of the log owns");
    // Events whose stored row went away.
    auditRows(db, result,
              "SELECT seq FROM events WHERE (kind IN ('verified', 'verified-again') AND seq NOT IN "
              "(SELECT event FROM verifications)) OR (kind = 'note-added' AND seq NOT IN "
              "(SELECT event FROM notes)) OR (kind = 'exported' AND seq NOT IN (SELECT event FROM "
              "exports)) OR (kind = 'recording-added' AND recording NOT IN (SELECT id FROM "
              "recordings))",
              "the row this event vouches for is gone");
    // The list's shortcuts must say what the log says.
    auditRows(db, result,
              "SELECT coalesce(v.event, r.added_event) FROM recordings r LEFT JOIN verifications v "
              "ON v.id = r.latest_verification WHERE r.latest_verification IS NOT (SELECT max(id) FROM "
              "verifications w WHERE w.recording = r.id) OR r.latest_code IS NOT v.code OR "
              "r.latest_fixity IS NOT v.fixity OR r.latest_at IS NOT v.verified_at OR r.removed IS "
              "NOT (coalesce((SELECT max(seq) FROM events e WHERE e.recording = r.id AND e.kind = "
              "'recording-removed'), 0) > (SELECT max(seq) FROM events e WHERE e.recording = r.id "
              "AND e.kind = 'recording-added'))",
              "the recording's latest verdict or place on the list is not the one the log "
              "recorded");
    auditRows(db, result,
              "SELECT 1 FROM case_info c LEFT JOIN events e ON e.seq = 1 AND e.detail = "
              "c.reference WHERE e.seq IS NULL",
              "the case reference is not the one the log recorded");
}

}  // namespace

std::string verificationDetail(int64_t code, const std::string& fixity) {
    return "code " + std::to_string(code) + "; fixity " + fixity;
}

CustodyEvent appendEvent(const Database& db, CustodyEvent event) {
    const ChainHead head = chainHead(db);
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
    Statement last = db.prepare("SELECT seq, hash FROM events ORDER BY seq DESC LIMIT 1");
    if (last.step()) {
        head.events = last.integer(0);
        head.hash = last.bytes(1);
    }
    return head;
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
    auditChain(db, result);
    if (result.intact()) {
        auditStoredRows(db, result);
    }
    return result;
}
