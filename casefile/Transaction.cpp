#include "casefile/Transaction.h"

#include <sqlite3.h>

#include "casefile/Database.h"

namespace {

bool inTransaction(const Database& db) {
    return sqlite3_get_autocommit(db.handle()) == 0;
}

}  // namespace

Transaction::Transaction(const Database& db_) : db(db_), nested(inTransaction(db_)) {
    // Kept prepared: a flood of results opens one per result.
    db.prepare(nested ? "SAVEPOINT nested_write" : "BEGIN IMMEDIATE").run();
}

Transaction::~Transaction() {
    if (open) {
        try {
            // A savepoint is undone, then let go, so the outer one goes on.
            db.exec(nested ? "ROLLBACK TO nested_write; RELEASE nested_write" : "ROLLBACK");
        } catch (...) {
            // SQLite rolls back by itself when the connection closes.
        }
    }
}

void Transaction::commit() {
    db.prepare(nested ? "RELEASE nested_write" : "COMMIT").run();
    open = false;
}

bool Transaction::active() const {
    return open && inTransaction(db);
}
