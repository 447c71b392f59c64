#include "casefile/Schema.h"

#include <map>
#include <tuple>
#include <vector>

#include "casefile/CaseError.h"
#include "casefile/Database.h"
#include "report/Escape.h"

namespace {

// Each step takes the schema one version up; steps are never edited once
// released, only added.
const char* const kMigrations[] = {
    // 0 -> 1
    R"sql(
CREATE TABLE case_info (
  id INTEGER PRIMARY KEY CHECK (id = 1),
  reference TEXT NOT NULL,
  created_at TEXT NOT NULL
) STRICT;
CREATE TABLE examiners (
  name TEXT PRIMARY KEY,
  first_seen TEXT NOT NULL
) STRICT, WITHOUT ROWID;
CREATE TABLE events (
  seq INTEGER PRIMARY KEY,
  kind TEXT NOT NULL,
  at TEXT NOT NULL,
  examiner TEXT NOT NULL,
  host TEXT NOT NULL,
  program TEXT NOT NULL,
  version TEXT NOT NULL,
  build TEXT NOT NULL,
  recording INTEGER,
  path BLOB,
  sha256 TEXT,
  record TEXT,
  detail TEXT NOT NULL,
  prev TEXT NOT NULL,
  hash TEXT NOT NULL
) STRICT;
CREATE INDEX events_by_recording ON events (recording);
CREATE TABLE recordings (
  id INTEGER PRIMARY KEY,
  path BLOB NOT NULL UNIQUE,
  size INTEGER,
  modified TEXT,
  intake_sha256 TEXT,
  added_at TEXT NOT NULL,
  added_event INTEGER NOT NULL,
  removed INTEGER NOT NULL DEFAULT 0,
  latest_verification INTEGER,
  latest_code INTEGER,
  latest_fixity TEXT,
  latest_at TEXT
) STRICT;
CREATE TABLE verifications (
  id INTEGER PRIMARY KEY,
  recording INTEGER NOT NULL,
  event INTEGER NOT NULL,
  verified_at TEXT NOT NULL,
  code INTEGER NOT NULL,
  sha256 TEXT,
  fixity TEXT NOT NULL
) STRICT;
CREATE INDEX verifications_by_recording ON verifications (recording);
CREATE TABLE evidence (
  verification INTEGER PRIMARY KEY,
  json TEXT NOT NULL
) STRICT;
CREATE TABLE exports (
  id INTEGER PRIMARY KEY,
  event INTEGER NOT NULL,
  exported_at TEXT NOT NULL,
  format TEXT NOT NULL,
  path BLOB NOT NULL,
  sha256 TEXT NOT NULL
) STRICT;
CREATE TABLE notes (
  id INTEGER PRIMARY KEY,
  event INTEGER NOT NULL,
  recording INTEGER,
  written_at TEXT NOT NULL,
  text TEXT NOT NULL
) STRICT;
)sql",
    // 1 -> 2: examiners' public keys and the seals they signed
    R"sql(
CREATE TABLE examiner_keys (
  examiner TEXT NOT NULL,
  fingerprint TEXT NOT NULL,
  event INTEGER NOT NULL,
  PRIMARY KEY (examiner, fingerprint)
) STRICT, WITHOUT ROWID;
CREATE TABLE seals (
  event INTEGER PRIMARY KEY,
  signature TEXT NOT NULL
) STRICT;
)sql",
    // 2 -> 3: where each recording stands relative to the case file, so a
    // case moved with its recordings finds them again.
    R"sql(
ALTER TABLE recordings ADD COLUMN relative_path BLOB;
CREATE INDEX recordings_by_relative_path ON recordings (relative_path);
)sql",
};

static_assert(sizeof kMigrations / sizeof kMigrations[0] == kCaseSchemaVersion,
              "one migration per schema version");

using SchemaObject = std::tuple<std::string, std::string, std::string>;  // type, table, sql
using SchemaObjects = std::map<std::string, SchemaObject>;               // by name

SchemaObjects schemaObjects(const Database& db) {
    SchemaObjects objects;
    Statement rows = db.prepare("SELECT name, type, tbl_name, sql FROM sqlite_schema");
    while (rows.step()) {
        objects[rows.bytes(0)] = {rows.bytes(1), rows.bytes(2), rows.bytes(3)};
    }
    return objects;
}

// What a file of `version` holds when every step up to it ran.
SchemaObjects expectedObjects(int64_t version) {
    const Database memory = Database::inMemory();
    for (int64_t v = 0; v < version; ++v) {
        memory.exec(kMigrations[v]);
    }
    return schemaObjects(memory);
}

}  // namespace

void migrateSchema(const Database& db, int64_t fromVersion) {
    for (int64_t v = fromVersion; v < kCaseSchemaVersion; ++v) {
        db.exec(kMigrations[v]);
    }
    db.exec("PRAGMA application_id = " + std::to_string(kCaseApplicationId));
    db.exec("PRAGMA user_version = " + std::to_string(kCaseSchemaVersion));
}

void checkSchema(const Database& db) {
    const int64_t application = db.queryInt("PRAGMA application_id");
    const int64_t version = db.queryInt("PRAGMA user_version");
    if (application != kCaseApplicationId) {
        throw CaseError(CaseErrorKind::NotACase,
                        "the file is an SQLite database of another program, not a case file");
    }
    if (version > kCaseSchemaVersion) {
        throw CaseError(CaseErrorKind::NewerSchema,
                        "the case file was written by a newer version of this program (schema " +
                            std::to_string(version) + "; this one reads up to " +
                            std::to_string(kCaseSchemaVersion) + ")");
    }
    if (version < 1) {
        throw CaseError(CaseErrorKind::NotACase, "the case file has no schema version");
    }
    const SchemaObjects expected = expectedObjects(version);
    const SchemaObjects actual = schemaObjects(db);
    for (const auto& [name, object] : actual) {
        const auto found = expected.find(name);
        if (found == expected.end() || found->second != object) {
            throw CaseError(CaseErrorKind::ForeignSchema,
                            "the case file holds a " + validUtf8(std::get<0>(object)) + " \"" +
                                validUtf8(name) +
                                "\" that the case schema does not define as it is; it is not "
                                "read");
        }
    }
    for (const auto& [name, object] : expected) {
        if (actual.count(name) == 0) {
            throw CaseError(CaseErrorKind::ForeignSchema,
                            "the case file lacks its " + std::get<0>(object) + " \"" + name + "\"");
        }
    }
}

void checkIntegrity(const Database& db) {
    // Every table but the evidence, which is most of the file: a case of
    // 100,000 recordings opens in well under a second. Damaged evidence
    // shows when it is loaded, and the audit reads all of it.
    std::vector<std::string> tables;
    Statement names = db.prepare(
        "SELECT name FROM sqlite_schema WHERE type = 'table' AND name <> 'evidence' ORDER BY name");
    while (names.step()) {
        tables.push_back(names.bytes(0));
    }
    for (const std::string& table : tables) {
        // The names are the schema's own: checkSchema ran first.
        Statement check = db.prepare("PRAGMA quick_check(\"" + table + "\")");
        const std::string result = check.step() ? check.bytes(0) : std::string();
        if (result != "ok") {
            throw CaseError(CaseErrorKind::Corrupt,
                            "the case file is damaged (SQLite's check: " + validUtf8(result) + ")");
        }
    }
}
