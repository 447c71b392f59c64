#include "casefile/CaseLock.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include "report/Escape.h"

namespace {

std::string lockHost() {
    char name[HOST_NAME_MAX + 1] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

// The holder a lock file names; a file cut short or from elsewhere names
// no process, so it is never taken for a stale one.
CaseLock::Holder readHolder(const std::string& path) {
    CaseLock::Holder holder;
    std::ifstream file(path);
    std::string pid;
    std::getline(file, pid);
    std::getline(file, holder.host);
    std::getline(file, holder.program);
    char* end = nullptr;
    const long number = std::strtol(pid.c_str(), &end, 10);
    holder.pid = end != pid.c_str() && *end == '\0' && number > 0 ? number : 0;
    return holder;
}

bool isGone(const CaseLock::Holder& holder) {
    return holder.pid > 0 && holder.pid <= INT_MAX && holder.host == lockHost() &&
           ::kill(static_cast<pid_t>(holder.pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

std::unique_ptr<CaseLock> CaseLock::take(const std::string& caseBytes, const std::string& program,
                                         std::optional<Holder>& heldBy) {
    heldBy.reset();
    const std::string path = caseBytes + ".lock";
    std::ostringstream text;
    text << ::getpid() << '\n' << lockHost() << '\n' << program << '\n';
    const std::string content = text.str();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const bool written =
                ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
            ::close(fd);
            if (!written) {
                ::unlink(path.c_str());
                return nullptr;
            }
            return std::unique_ptr<CaseLock>(new CaseLock(path));
        }
        if (errno != EEXIST) {
            return nullptr;  // no lock can be made here
        }
        const Holder holder = readHolder(path);
        if (attempt > 0 || !isGone(holder)) {
            heldBy = holder;
            return nullptr;
        }
        ::unlink(path.c_str());  // left by a process that is gone
    }
    return nullptr;
}

CaseLock::~CaseLock() {
    ::unlink(path.c_str());
}

std::string holderText(const CaseLock::Holder& holder) {
    const std::string program = holder.program.empty() ? "another program" : holder.program;
    std::string text = displayText(program);
    if (holder.pid > 0) {
        text += " (process " + std::to_string(holder.pid);
        text += holder.host.empty() ? ")" : " on " + displayText(holder.host) + ")";
    }
    return text;
}
