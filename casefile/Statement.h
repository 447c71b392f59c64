#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement, owned: finalized when the object goes.
// Parameters and columns count from 1 and 0, as in SQLite.
class Statement {
  public:
    Statement(sqlite3* db, const std::string& sql);
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
    std::optional<std::string> optionalBytes(int column) const;

  private:
    sqlite3* db;
    sqlite3_stmt* statement = nullptr;
};

// Throws the CaseError that fits SQLite's result code `rc`.
[[noreturn]] void throwSqliteError(sqlite3* db, int rc, const std::string& what);
