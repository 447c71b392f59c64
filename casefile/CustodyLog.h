#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "casefile/CustodyEvent.h"

class Database;
class Statement;

// The custody log: events appended in the caller's write transaction, each
// chained to the one before by its hash (docs/case-file.md).

// The seal that is the newest event, when it is one.
struct HeadSeal {
    std::string examiner;
    std::string fingerprint;  // of the examiner's key
    std::string signature;    // Ed25519, hex; empty when none is stored
};

struct ChainHead {
    int64_t events = 0;
    std::string hash = kNoPreviousEvent;  // of the newest event
    std::optional<HeadSeal> seal;
};

// "N custody events; SHA-256 of the newest HASH; sealed by NAME (key FP,
// signature SIG)" or "...; not sealed": the line every case run prints.
std::string headText(const ChainHead& head);

// Fills in seq, prev and hash, stores the event and returns it. The
// caller's transaction holds the write lock, so no other program can
// append in between.
CustodyEvent appendEvent(const Database& db, CustodyEvent event);

ChainHead chainHead(const Database& db);

// The events about one recording, oldest first.
std::vector<CustodyEvent> eventsOfRecording(const Database& db, int64_t recording);

// The first event that meets the SQL condition `where`, whose parameters
// `bind` fills in.
std::optional<CustodyEvent> eventWhere(const Database& db, const std::string& where,
                                       const std::function<void(Statement&)>& bind);

// Every event, oldest first, one at a time.
void forEachEvent(const Database& db, const std::function<void(const CustodyEvent&)>& visit);

// What checking the log found. `brokenEvent` is the first event that does
// not fit: its hash, its link to the event before, or the stored row it
// vouches for (evidence, note, export, recording) disagrees.
// A seal that verified: the examiner's key signed events 1 to `event`.
struct VerifiedSeal {
    int64_t event = 0;
    std::string examiner;
    std::string fingerprint;
};

struct AuditResult {
    int64_t events = 0;
    std::string head = kNoPreviousEvent;
    std::optional<int64_t> brokenEvent;
    std::string problem;  // a sentence naming the event; empty when intact
    std::vector<VerifiedSeal> seals;  // oldest first
    // What events written before the fields were vouched leave unvouched,
    // as sentences; empty for a case written by this version alone.
    std::vector<std::string> unvouched;

    bool intact() const { return !brokenEvent; }
    // The events after the newest seal: no examiner's key vouches for them.
    int64_t sealedThrough() const { return seals.empty() ? 0 : seals.back().event; }
    bool sealed() const { return intact() && sealedThrough() == events; }
};

AuditResult auditLog(const Database& db);

// The detail text of a verification event: "code N; fixity STATE; verified AT".
std::string verificationDetail(int64_t code, const std::string& fixity,
                               const std::string& verifiedAt);
// The detail text of a recording's first addition: "size N bytes; modified
// AT", each "... not taken" when unknown, then "; relative path (hex) HEX"
// where the case keeps the recording's place relative to itself.
std::string recordingAddedDetail(const std::optional<int64_t>& size,
                                 const std::optional<std::string>& modified,
                                 const std::optional<std::string>& relativePath = std::nullopt);
