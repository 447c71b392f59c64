#pragma once

#include <string>

#include "support/Command.h"

// A private folder for one test's case and recordings, removed with it.
class CaseDirectory {
  public:
    CaseDirectory();
    CaseDirectory(const CaseDirectory&) = delete;
    CaseDirectory& operator=(const CaseDirectory&) = delete;
    ~CaseDirectory();

    const std::string& path() const { return dir; }
    std::string operator/(const std::string& name) const { return dir + "/" + name; }

  private:
    std::string dir;
};

// The demo recordings (authentic.mkv, tampered.mkv, unsigned.mkv) in `folder`.
CommandResult makeDemoRecordings(const std::string& folder);

// telvar-verify with `arguments` (standard error dropped unless `withErrors`).
CommandResult runVerify(const std::string& arguments, bool withErrors = false);
// The sqlite3 shell on `db` with one SQL text.
CommandResult runSqlite(const std::string& db, const std::string& sql);

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
// Single quotes for the shell.
std::string quoted(const std::string& text);
