#pragma once

#include <string>

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

struct CommandResult {
    int status = -1;  // the exit status; -1 when it did not exit
    std::string out;
};

// Runs a shell command line, returning its standard output.
CommandResult runCommand(const std::string& command);
// telvar-verify with `arguments` (standard error dropped unless `withErrors`).
CommandResult runVerify(const std::string& arguments, bool withErrors = false);
// The sqlite3 shell on `db` with one SQL text.
CommandResult runSqlite(const std::string& db, const std::string& sql);

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
// Single quotes for the shell.
std::string quoted(const std::string& text);
