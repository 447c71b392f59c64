#include "casefile/Database.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "casefile/CaseError.h"

namespace {

bool unreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

// The URI needs an absolute path; a relative one is taken from the current folder.
std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    std::vector<char> folder(4096);
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE || folder.size() > (1u << 20)) {
            throw CaseError(CaseErrorKind::Io, "the current folder cannot be read");
        }
        folder.resize(folder.size() * 2);
    }
    return std::string(folder.data()) + "/" + path;
}

int openFlags(Database::Mode mode) {
    switch (mode) {
        case Database::Mode::ReadOnly:
        case Database::Mode::Immutable:
            return SQLITE_OPEN_READONLY;
        case Database::Mode::ReadWrite:
            return SQLITE_OPEN_READWRITE;
        case Database::Mode::Create:
            return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    }
    return SQLITE_OPEN_READONLY;
}

}  // namespace

std::string sqliteUri(const std::string& absolutePath, bool immutable) {
    static const char hex[] = "0123456789ABCDEF";
    // An empty authority, so a path that starts with "//" stays a path.
    std::string uri = "file://";
    for (const char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        if (unreserved(c)) {
            uri += ch;
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 0x0F];
        }
    }
    return uri + (immutable ? "?immutable=1" : "?mode=ro&cache=private");
}

Database::Database(const std::string& path, Mode mode, int busyTimeoutMs) {
    const bool readOnly = mode == Mode::ReadOnly || mode == Mode::Immutable;
    std::string uri = sqliteUri(absolute(path), mode == Mode::Immutable);
    if (!readOnly) {
        uri = uri.substr(0, uri.find('?'));
    }
    const int flags = openFlags(mode) | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX |
                      SQLITE_OPEN_PRIVATECACHE;
    const int rc = sqlite3_open_v2(uri.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string why = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        db = nullptr;
        throw CaseError(CaseErrorKind::Io, "cannot open the case file: " + why);
    }
    configure(busyTimeoutMs);
}

Database Database::inMemory() {
    Database memory;
    if (sqlite3_open_v2(":memory:", &memory.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY,
                        nullptr) != SQLITE_OK) {
        throw CaseError(CaseErrorKind::Io, "cannot open a database in memory");
    }
    memory.configure(0);
    return memory;
}

void Database::configure(int busyTimeoutMs) {
    sqlite3_extended_result_codes(db, 1);
    // The schema is checked, not trusted: nothing in it may run or reach out.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    sqlite3_busy_timeout(db, busyTimeoutMs);
}

Database::Database(Database&& other) noexcept
    : db(std::exchange(other.db, nullptr)), cache(std::move(other.cache)) {}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        cache.reset();
        sqlite3_close(db);
        db = std::exchange(other.db, nullptr);
        cache = std::move(other.cache);
    }
    return *this;
}

Database::~Database() {
    // Every other statement is owned by a Statement that is gone by now.
    cache.reset();
    sqlite3_close(db);
}

void copyDatabase(const Database& from, const Database& to) {
    sqlite3_backup* const backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (backup == nullptr) {
        throwSqliteError(to.handle(), sqlite3_errcode(to.handle()), "cannot copy the case file");
    }
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE || finished != SQLITE_OK) {
        throwSqliteError(to.handle(), stepped != SQLITE_DONE ? stepped : finished,
                         "cannot copy the case file");
    }
}

Statement Database::prepare(const std::string& sql) const {
    return cache ? Statement(db, sql, *cache) : Statement(db, sql);
}

void Database::exec(const std::string& sql) const {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const std::string why = message != nullptr ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        throwSqliteError(db, rc, why);
    }
}

int64_t Database::queryInt(const std::string& sql) const {
    Statement statement = prepare(sql);
    return statement.step() ? statement.integer(0) : 0;
}

int64_t Database::lastInsertId() const {
    return sqlite3_last_insert_rowid(db);
}
