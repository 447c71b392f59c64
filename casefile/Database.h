#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "casefile/Statement.h"

struct sqlite3;

// One SQLite connection, owned: closed when the object goes. Every
// connection is set up for hostile files: defensive mode, no trusted
// schema, no views or triggers run, no other database attached, no
// extension loaded, and a bound on the size of any one value.
class Database {
  public:
    enum class Mode {
        ReadOnly,   // never writes the file (a WAL index may be made beside it)
        Immutable,  // read-only media: no lock, no WAL, no file beside it
        ReadWrite,  // an existing file
        Create,     // read-write, made when missing
    };

    Database(const std::string& path, Mode mode, int busyTimeoutMs);
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    // A connection to a fresh private database in memory.
    static Database inMemory();

    // Kept prepared for the next use of the same SQL on this connection.
    Statement prepare(const std::string& sql) const;
    // Runs statements that return no rows.
    void exec(const std::string& sql) const;
    // The single integer a pragma or query returns.
    int64_t queryInt(const std::string& sql) const;
    int64_t lastInsertId() const;
    sqlite3* handle() const { return db; }

  private:
    Database() = default;
    void configure(int busyTimeoutMs);
    sqlite3* db = nullptr;
    // Finalized before the connection closes; apart, so it stays put when
    // the Database moves.
    std::unique_ptr<StatementCache> cache = std::make_unique<StatementCache>();
};

// The largest text or blob a case file may hold in one value: a day's
// evidence with every cluster listed takes some tens of megabytes.
constexpr int kMaxValueBytes = 256 * 1024 * 1024;

// Copies every page of `from` into the empty database `to`, as one
// consistent snapshot (SQLite's online backup). Throws CaseError.
void copyDatabase(const Database& from, const Database& to);

// "file:" URI of a path, with the characters a URI reserves escaped.
std::string sqliteUri(const std::string& absolutePath, bool immutable);
