#pragma once

class Database;

// A write transaction: BEGIN IMMEDIATE takes the write lock at once (waiting
// out the busy timeout), so two programs appending to one case take turns
// instead of failing halfway. Rolled back unless committed. Opened inside
// another, it is a savepoint of that one: whole or not at all as before,
// made durable when the outer one commits.
class Transaction {
  public:
    explicit Transaction(const Database& db);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();

    void commit();
    // False once SQLite has rolled the whole transaction back by itself
    // (after a full disk or an I/O error), so nothing more can join it.
    bool active() const;

  private:
    const Database& db;
    const bool nested;
    bool open = true;
};
