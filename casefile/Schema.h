#pragma once

#include <cstdint>
#include <string>

class Database;

// The case file's schema: its version in PRAGMA user_version, the program's
// mark in PRAGMA application_id, and the steps from each version to the next.
constexpr int64_t kCaseApplicationId = 0x54564346;  // "TVCF"
constexpr int64_t kCaseSchemaVersion = 3;
// The first version whose log holds examiners' keys and seals.
constexpr int64_t kSealedSchemaVersion = 2;
// The first version whose recordings keep their place relative to the case.
constexpr int64_t kRelativePathsSince = 3;

// Brings an empty database or one of an older version to the current one,
// inside the caller's transaction.
void migrateSchema(const Database& db, int64_t fromVersion);

// Checks the database is a case file this program may read: its mark, a
// version no newer than this program's, and exactly the tables and indexes
// its version defines, nothing more (no view, no trigger). Throws CaseError.
void checkSchema(const Database& db);

// Runs SQLite's quick_check on the schema's tables but the evidence;
// throws CaseError when the file is damaged. After checkSchema.
void checkIntegrity(const Database& db);
