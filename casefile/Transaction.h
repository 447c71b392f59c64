#pragma once

class Database;

// A write transaction: BEGIN IMMEDIATE takes the write lock at once (waiting
// out the busy timeout), so two programs appending to one case take turns
// instead of failing halfway. Rolled back unless committed.
class Transaction {
  public:
    explicit Transaction(const Database& db);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();

    void commit();

  private:
    const Database& db;
    bool open = true;
};
