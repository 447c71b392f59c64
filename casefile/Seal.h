#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "casefile/CustodyEvent.h"

class Database;
class ExaminerKey;

// Examiners' keys and seals in the custody log (docs/case-file.md). A seal
// is an event of kind "sealed" whose `record` is the key's fingerprint; the
// examiner's Ed25519 signature of the seal's own hash (its 64 hex digits as
// ASCII) is kept in the `seals` table. The hash covers `prev`, so a seal
// signs every event up to it.

// Whether the case's schema has the keys' and seals' tables.
bool holdsSeals(const Database& db);

// Appends the "examiner-key" event of `key` for the actor's examiner, unless
// the case holds it already. Within the caller's transaction.
void recordExaminerKey(const Database& db, const Actor& actor, const ExaminerKey& key);

// Appends a seal of the log as it stands, signed with `key`, unless the
// newest event is already this key's seal. Within the caller's transaction.
void appendSeal(const Database& db, const Actor& actor, const ExaminerKey& key);

// The signature stored for seal event `seq`, if any.
std::optional<std::string> sealSignature(const Database& db, int64_t seq);

// The "detail" of an examiner-key event: "ed25519 " and the raw public key in hex.
std::string examinerKeyDetail(const std::string& publicKeyHex);
// The public key an examiner-key event's detail names; empty when malformed.
std::string publicKeyOfDetail(const std::string& detail);
