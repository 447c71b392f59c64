#pragma once

#include <memory>
#include <optional>
#include <string>

// One program writes a case at a time: the writer keeps a file beside the
// case ("CASE.lock") naming its process, host and program. Another window
// opens the case read-only and says who holds it; telvar-verify waits for
// another run of its own a while and names any holder it gives up on. A
// lock left by a process of this host that is gone is taken over.
class CaseLock {
  public:
    struct Holder {
        long pid = 0;
        std::string host;
        std::string program;
    };

    // The lock of the case at `caseBytes`, or null: then `heldBy` names the
    // holder, or is empty when no lock could be made at all (a read-only
    // folder), which leaves the case to its own read-only checks.
    static std::unique_ptr<CaseLock> take(const std::string& caseBytes, const std::string& program,
                                          std::optional<Holder>& heldBy);
    // Removes the lock file.
    ~CaseLock();
    CaseLock(const CaseLock&) = delete;
    CaseLock& operator=(const CaseLock&) = delete;

  private:
    explicit CaseLock(std::string path_) : path(std::move(path_)) {}
    std::string path;
};

// "PROGRAM (process PID on HOST)", in the display form.
std::string holderText(const CaseLock::Holder& holder);
