#include "casefile/StillExports.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "casefile/CaseFile.h"
#include "report/FrameRecords.h"
#include "report/HtmlReport.h"
#include "signature/Sha256.h"

namespace {

// Far more than any record this program writes (about 1.5 KiB).
constexpr off_t kMostRecordBytes = 64 * 1024;

// The file's bytes, or why there are none. Never blocks on a pipe or a
// device a forged case names, nor reads more than a record can hold.
bool readRecord(const std::string& path, std::string& bytes, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        why = "the record beside the still cannot be read (" + std::string(std::strerror(errno)) +
              ")";
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMostRecordBytes;
    if (!ok) {
        why = "the file beside the still is not a record this program writes";
    }
    std::array<char, 4096> buffer{};
    while (ok) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || bytes.size() + static_cast<size_t>(got) > kMostRecordBytes) {
            ok = got == 0;
            why = "the record beside the still cannot be read whole";
            break;
        }
        bytes.append(buffer.data(), static_cast<size_t>(got));
    }
    ::close(fd);
    return ok;
}

ExportedStill stillOf(const CustodyEvent& event) {
    ExportedStill still;
    still.event = event.seq;
    still.at = event.at;
    still.examiner = event.actor.examiner;
    still.pngPath = event.path;
    still.pngSha256 = event.sha256.value_or(std::string());
    still.recordSha256 = event.record.value_or(std::string());
    still.recordPath = stillRecordPath(event.path);
    if (still.recordSha256.empty()) {
        still.recordProblem = "the custody event names no record";
        return still;
    }
    std::string bytes;
    if (!readRecord(still.recordPath, bytes, still.recordProblem)) {
        return still;
    }
    const std::string sha256 = sha256Hex(bytes.data(), bytes.size());
    if (sha256 != still.recordSha256) {
        still.recordProblem =
            "the record beside the still is not the one exported (its SHA-256 is " + sha256 + ")";
        return still;
    }
    still.record = std::move(bytes);
    return still;
}

}  // namespace

std::vector<ExportedStill> exportedStills(const CaseFile& file, size_t limit, size_t& leftOut) {
    const std::vector<int64_t> events = file.stillExportEvents();
    std::vector<ExportedStill> stills;
    leftOut = events.size() > limit ? events.size() - limit : 0;
    for (size_t i = 0; i < events.size() && i < limit; ++i) {
        // The event, not the table beside it, says what was exported: the
        // audit names a row that disagrees.
        const std::optional<CustodyEvent> event = file.event(events[i]);
        if (event && event->kind == EventKind::Exported && event->detail == "still") {
            stills.push_back(stillOf(*event));
        }
    }
    return stills;
}

void addExportedStills(const CaseFile& file, ReportContext& run) {
    run.stills = exportedStills(file, HtmlReportOptions().maxItems, run.stillsLeftOut);
}
