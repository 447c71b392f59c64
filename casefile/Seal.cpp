#include "casefile/Seal.h"

#include "casefile/CustodyLog.h"
#include "casefile/Database.h"
#include "casefile/ExaminerKey.h"
#include "casefile/Schema.h"

namespace {

const char* const kKeyPrefix = "ed25519 ";

}  // namespace

bool holdsSeals(const Database& db) {
    return db.queryInt("PRAGMA user_version") >= kSealedSchemaVersion;
}

std::string examinerKeyDetail(const std::string& publicKeyHex) {
    return kKeyPrefix + publicKeyHex;
}

std::string publicKeyOfDetail(const std::string& detail) {
    const std::string prefix = kKeyPrefix;
    if (detail.compare(0, prefix.size(), prefix) != 0) {
        return std::string();
    }
    const std::string key = detail.substr(prefix.size());
    return keyFingerprint(key).empty() ? std::string() : key;
}

void recordExaminerKey(const Database& db, const Actor& actor, const ExaminerKey& key) {
    Statement known =
        db.prepare("SELECT 1 FROM examiner_keys WHERE examiner = ? AND fingerprint = ?");
    known.bind(1, actor.examiner).bind(2, key.fingerprint());
    if (known.step()) {
        return;
    }
    CustodyEvent event;
    event.kind = EventKind::ExaminerKey;
    event.actor = actor;
    event.record = key.fingerprint();
    event.detail = examinerKeyDetail(key.publicKeyHex());
    event = appendEvent(db, event);
    Statement insert =
        db.prepare("INSERT INTO examiner_keys (examiner, fingerprint, event) VALUES (?, ?, ?)");
    insert.bind(1, actor.examiner).bind(2, key.fingerprint()).bind(3, event.seq).run();
}

void appendSeal(const Database& db, const Actor& actor, const ExaminerKey& key) {
    const ChainHead head = chainHead(db);
    if (head.seal && head.seal->fingerprint == key.fingerprint() &&
        head.seal->examiner == actor.examiner) {
        return;
    }
    recordExaminerKey(db, actor, key);
    CustodyEvent seal;
    seal.kind = EventKind::Sealed;
    seal.actor = actor;
    seal.record = key.fingerprint();
    seal = appendEvent(db, seal);
    Statement insert = db.prepare("INSERT INTO seals (event, signature) VALUES (?, ?)");
    insert.bind(1, seal.seq).bind(2, key.sign(seal.hash)).run();
}

std::optional<std::string> sealSignature(const Database& db, int64_t seq) {
    Statement row = db.prepare("SELECT signature FROM seals WHERE event = ?");
    row.bind(1, seq);
    return row.step() ? std::optional<std::string>(row.bytes(0)) : std::nullopt;
}
