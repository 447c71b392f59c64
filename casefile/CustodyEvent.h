#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What happened to the case. The codes are stored and hashed: never renamed.
enum class EventKind {
    CaseCreated,       // "case-created"
    RecordingAdded,    // "recording-added"
    Verified,          // "verified": a recording's first verification
    VerifiedAgain,     // "verified-again"
    Exported,          // "exported"
    NoteAdded,         // "note-added"
    RecordingRemoved,  // "recording-removed": off the list; its history stays
    ExaminerKey,       // "examiner-key": an examiner's public key enters the case
    Sealed,            // "sealed": the examiner signed the log up to this event
    RecordingFound,    // "recording-found": found at its place relative to the moved case
    KeyStoreChanged,   // "key-store-changed": a key added, retired or revoked in the window
};

const char* eventKindCode(EventKind kind);
// The event in a few words for people ("Recording added"); the code stays
// what is stored and hashed.
const char* eventKindWords(EventKind kind);
std::optional<EventKind> eventKindFromCode(const std::string& code);

// Who acts, with what program, from where: carried by every event.
struct Actor {
    std::string examiner;
    std::string host;
    std::string program;
    std::string version;
    std::string build;
};

// The examiner given, or the login name when none is; this machine's name;
// this program's version and build.
Actor currentActor(const std::string& program, const std::string& examiner);

// One event of the custody log, as stored (docs/case-file.md). Every text is
// valid UTF-8, so the canonical JSON below reads the same in any tool.
struct CustodyEvent {
    int64_t seq = 0;  // from 1, without gaps
    EventKind kind = EventKind::CaseCreated;
    std::string at;  // UTC, "YYYY-MM-DDThh:mm:ssZ"
    Actor actor;
    std::optional<int64_t> recording;  // the recording's id, when about one
    std::string path;                  // bytes of the recording's or export's path; may be empty
    std::optional<std::string> sha256;  // the file's SHA-256 (intake, now, or the export's)
    std::optional<std::string> record;  // SHA-256 of the stored evidence JSON or note text
    std::string detail;                 // a short text; see docs/case-file.md
    std::string prev;                   // the previous event's hash; 64 zeros for the first
    std::string hash;                   // SHA-256 of canonicalEventJson
};

// The previous hash of the first event.
extern const char* const kNoPreviousEvent;

// The bytes hashed for an event: a JSON object of every field above but the
// hash, keys sorted, no spaces, UTF-8, the path as upper-case hex.
std::string canonicalEventJson(const CustodyEvent& event);
std::string eventHash(const CustodyEvent& event);

