// Fuzz target: a hostile case file. The bytes are written to a file and
// opened as read-only media would be (immutable: no lock, no journal, no
// file beside it), then listed, one recording's evidence and events read,
// and the custody log audited; the evidence is read back as the window
// reads it. Only a result or a CaseError may come out.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "casefile/CaseError.h"
#include "casefile/CaseFile.h"
#include "fuzz/FuzzCheck.h"
#include "report/Escape.h"
#include "report/JsonEvidence.h"
#include "report/JsonReport.h"

namespace {

// One file per process, rewritten for each input.
const std::string& inputPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir != nullptr ? dir : "/tmp") + "/telvar-fuzz-case-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int fd = mkstemp(name.data());
        FUZZ_CHECK(fd >= 0);
        close(fd);
        std::atexit([] { std::remove(inputPath().c_str()); });
        return std::string(name.data());
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::FILE* file = std::fopen(inputPath().c_str(), "wb");
        FUZZ_CHECK(file != nullptr);
        FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
        std::fclose(file);
    }
    CaseOpenOptions options;
    options.access = CaseOpenOptions::Access::ReadOnly;
    options.readOnlyMedia = [](const std::string&) { return true; };
    try {
        const CaseFile file(inputPath(), options);
        FUZZ_CHECK(!file.writable());
        file.info();
        const std::vector<RecordingRow> rows = file.recordings(true);
        for (size_t i = 0; i < rows.size() && i < 8; ++i) {
            if (const std::optional<StoredVerification> stored = file.latestVerification(rows[i].id)) {
                // Whatever it reads back, it writes and reads back the same.
                if (const std::optional<StoredEvidence> read = evidenceFromJson(stored->evidenceJson)) {
                    const std::string once = dumpJson(jsonFileObject(read->evidence, {}, true));
                    const std::optional<StoredEvidence> again = evidenceFromJson(once);
                    FUZZ_CHECK(again &&
                               dumpJson(jsonFileObject(again->evidence, {}, true)) == once);
                }
            }
            file.events(rows[i].id);
        }
        const ChainHead head = file.head();
        const AuditResult audit = file.audit();
        // An intact log ends where the stored chain does.
        FUZZ_CHECK(!audit.intact() || (audit.events == head.events && audit.head == head.hash));
        FUZZ_CHECK(audit.intact() || !audit.problem.empty());
    } catch (const CaseError&) {
        // Refused or unreadable: a clear error is the right outcome.
    }
    return 0;
}
