#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "casefile/CustodyEvent.h"

class Database;

// The custody log: events appended in the caller's write transaction, each
// chained to the one before by its hash (docs/case-file.md).

struct ChainHead {
    int64_t events = 0;
    std::string hash = kNoPreviousEvent;  // of the newest event
};

// Fills in seq, prev and hash, stores the event and returns it. The
// caller's transaction holds the write lock, so no other program can
// append in between.
CustodyEvent appendEvent(const Database& db, CustodyEvent event);

ChainHead chainHead(const Database& db);

// The events about one recording, oldest first.
std::vector<CustodyEvent> eventsOfRecording(const Database& db, int64_t recording);

// Every event, oldest first, one at a time.
void forEachEvent(const Database& db, const std::function<void(const CustodyEvent&)>& visit);

// What checking the log found. `brokenEvent` is the first event that does
// not fit: its hash, its link to the event before, or the stored row it
// vouches for (evidence, note, export, recording) disagrees.
struct AuditResult {
    int64_t events = 0;
    std::string head = kNoPreviousEvent;
    std::optional<int64_t> brokenEvent;
    std::string problem;  // a sentence naming the event; empty when intact

    bool intact() const { return !brokenEvent; }
};

AuditResult auditLog(const Database& db);

// The detail text of a verification event: "code N; fixity STATE".
std::string verificationDetail(int64_t code, const std::string& fixity);
