#include "casefile/Statement.h"

#include <sqlite3.h>

#include <utility>

#include "casefile/CaseError.h"

void throwSqliteError(sqlite3* db, int rc, const std::string& what) {
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw CaseError(CaseErrorKind::Busy,
                            "the case file is in use by another program and stayed so "
                            "past the wait; try again when it is done");
        case SQLITE_NOTADB:
            throw CaseError(CaseErrorKind::NotACase, "the file is not a case file (not an SQLite database)");
        case SQLITE_CORRUPT:
            throw CaseError(CaseErrorKind::Corrupt, "the case file is damaged: " + what);
        case SQLITE_READONLY:
            throw CaseError(CaseErrorKind::ReadOnly, "the case file cannot be written: " + what);
        default:
            break;
    }
    const std::string detail = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw CaseError(CaseErrorKind::Io, "case file: " + (what.empty() ? detail : what));
}

Statement::Statement(sqlite3* db_, const std::string& sql) : db(db_) {
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement,
                                      nullptr);
    if (rc != SQLITE_OK) {
        throwSqliteError(db, rc, sqlite3_errmsg(db));
    }
}

Statement::Statement(sqlite3* db_, const std::string& sql_, StatementCache& cache_)
    : db(db_), statement(cache_.take(sql_)), cache(&cache_), sqlText(sql_) {
    if (statement == nullptr) {
        const int rc = sqlite3_prepare_v3(db, sqlText.c_str(), static_cast<int>(sqlText.size()),
                                          SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
        if (rc != SQLITE_OK) {
            throwSqliteError(db, rc, sqlite3_errmsg(db));
        }
    }
}

Statement::Statement(Statement&& other) noexcept
    : db(other.db),
      statement(std::exchange(other.statement, nullptr)),
      cache(std::exchange(other.cache, nullptr)),
      sqlText(std::move(other.sqlText)) {}

Statement::~Statement() {
    if (cache != nullptr && statement != nullptr) {
        cache->keep(sqlText, statement);
    } else {
        sqlite3_finalize(statement);
    }
}

namespace {

// More distinct statements than the case file's code runs: a bound only.
constexpr size_t kMostKept = 64;

}  // namespace

StatementCache::~StatementCache() {
    for (const auto& entry : kept) {
        sqlite3_finalize(entry.second);
    }
}

sqlite3_stmt* StatementCache::take(const std::string& sql) {
    const auto found = kept.find(sql);
    if (found == kept.end()) {
        return nullptr;
    }
    sqlite3_stmt* const statement = found->second;
    kept.erase(found);
    return statement;
}

void StatementCache::keep(const std::string& sql, sqlite3_stmt* statement) {
    // Reset, it holds no lock and no bound value until its next use.
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (kept.size() >= kMostKept || !kept.emplace(sql, statement).second) {
        sqlite3_finalize(statement);
    }
}

namespace {

void check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK) {
        throwSqliteError(db, rc, sqlite3_errmsg(db));
    }
}

}  // namespace

Statement& Statement::bind(int index, int64_t value) {
    check(db, sqlite3_bind_int64(statement, index, value));
    return *this;
}

Statement& Statement::bind(int index, const std::string& text) {
    check(db, sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                  SQLITE_UTF8));
    return *this;
}

Statement& Statement::bind(int index, const std::optional<std::string>& text) {
    return text ? bind(index, *text) : bindNull(index);
}

Statement& Statement::bind(int index, const std::optional<int64_t>& value) {
    return value ? bind(index, *value) : bindNull(index);
}

Statement& Statement::bindBlob(int index, const std::string& bytes) {
    check(db, sqlite3_bind_blob64(statement, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bindNull(int index) {
    check(db, sqlite3_bind_null(statement, index));
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    throwSqliteError(db, rc, sqlite3_errmsg(db));
}

void Statement::run() {
    while (step()) {
    }
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(statement, column) == SQLITE_NULL;
}

int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(statement, column);
}

std::optional<int64_t> Statement::optionalInteger(int column) const {
    return isNull(column) ? std::nullopt : std::optional<int64_t>(integer(column));
}

std::string Statement::bytes(int column) const {
    return std::string(view(column));
}

std::string_view Statement::view(int column) const {
    // Blob first, then its length: asking in that order converts nothing.
    const void* data = sqlite3_column_blob(statement, column);
    const int size = sqlite3_column_bytes(statement, column);
    if (data == nullptr || size <= 0) {
        return std::string_view();
    }
    return std::string_view(static_cast<const char*>(data), static_cast<size_t>(size));
}

std::optional<std::string> Statement::optionalBytes(int column) const {
    return isNull(column) ? std::nullopt : std::optional<std::string>(bytes(column));
}
