#pragma once

#include <stdexcept>
#include <string>

// Why a case file could not be opened, read or written. The message is a
// whole sentence for the user; the kind lets a caller choose what to do.
enum class CaseErrorKind {
    NotFound,        // no case file at the path and none was to be created
    NotACase,        // not an SQLite database, or one of another program
    NewerSchema,     // written by a newer version of this program
    Corrupt,         // fails SQLite's own check
    ForeignSchema,   // tables, views, triggers or indexes the case schema does not define
    ReadOnly,        // a write to a case opened read-only
    Busy,            // another program held the case longer than the busy timeout
    WrongCase,       // the case reference given is not the case's own
    Io,              // anything else SQLite or the system refused
};

class CaseError : public std::runtime_error {
  public:
    CaseError(CaseErrorKind kind_, const std::string& message)
        : std::runtime_error(message), kind(kind_) {}
    CaseErrorKind kind;
};
