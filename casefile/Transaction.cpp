#include "casefile/Transaction.h"

#include "casefile/Database.h"

Transaction::Transaction(const Database& db_) : db(db_) {
    db.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (open) {
        try {
            db.exec("ROLLBACK");
        } catch (...) {
            // SQLite rolls back by itself when the connection closes.
        }
    }
}

void Transaction::commit() {
    db.exec("COMMIT");
    open = false;
}
