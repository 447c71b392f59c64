#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

// The statements a connection keeps prepared between uses, by their SQL:
// every result stored runs the same few, and preparing them again each
// time took much of the time a result took to store.
class StatementCache {
  public:
    StatementCache() = default;
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;
    ~StatementCache();  // finalizes what it keeps

    // The kept statement for `sql`, now the caller's; null when none is kept.
    sqlite3_stmt* take(const std::string& sql);
    // Resets `statement` and keeps it; finalizes it instead when one is
    // kept for `sql` already (it was in use twice at once) or the cache is full.
    void keep(const std::string& sql, sqlite3_stmt* statement);

  private:
    std::unordered_map<std::string, sqlite3_stmt*> kept;
};

// One prepared statement, owned: finalized when the object goes, or handed
// back to the cache it came from.
// Parameters and columns count from 1 and 0, as in SQLite.
class Statement {
  public:
    Statement(sqlite3* db, const std::string& sql);
    // Taken from `cache` when it keeps one for `sql`, and given back to it.
    Statement(sqlite3* db, const std::string& sql, StatementCache& cache);
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    Statement& bind(int index, int64_t value);
    Statement& bind(int index, const std::string& text);
    Statement& bind(int index, const std::optional<std::string>& text);  // null when none
    Statement& bind(int index, const std::optional<int64_t>& value);
    Statement& bindBlob(int index, const std::string& bytes);
    Statement& bindNull(int index);

    // True with a row to read, false when done; throws CaseError otherwise.
    bool step();
    // Runs a statement that returns no row.
    void run();

    bool isNull(int column) const;
    int64_t integer(int column) const;
    std::optional<int64_t> optionalInteger(int column) const;
    // The column's bytes, text or blob alike.
    std::string bytes(int column) const;
    // The same without a copy: valid until the next step or reset.
    std::string_view view(int column) const;
    std::optional<std::string> optionalBytes(int column) const;

  private:
    sqlite3* db;
    sqlite3_stmt* statement = nullptr;
    StatementCache* cache = nullptr;
    std::string sqlText;  // of a statement given back to `cache`
};

// Throws the CaseError that fits SQLite's result code `rc`.
[[noreturn]] void throwSqliteError(sqlite3* db, int rc, const std::string& what);
