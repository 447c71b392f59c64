// Writes the case-file seed corpus into a folder: an empty case, and one
// with recordings verified twice, a note, an export and a removal, each
// with small pages so the fuzzer can reach every table.
#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "casefile/CaseFile.h"

namespace {

void compact(const std::string& path) {
    const Database db(path, Database::Mode::ReadWrite, 1000);
    sqlite3_limit(db.handle(), SQLITE_LIMIT_ATTACHED, 1);  // VACUUM attaches its copy
    db.exec("PRAGMA journal_mode=DELETE");
    db.exec("PRAGMA page_size=512");
    db.exec("VACUUM");
}

void verify(CaseFile& file, const Actor& actor, const std::string& path, const std::string& sha,
            int64_t code) {
    VerificationFacts facts;
    facts.file.path = path;
    facts.file.size = 1234;
    facts.file.sha256 = sha;
    facts.code = code;
    facts.verifiedAt = "2026-12-08T17:02:11Z";
    file.recordVerification(actor, facts, [&](const FixityCheck& fixity) {
        return "{\"code\":" + std::to_string(code) + ",\"fixity\":\"" + fixityCode(fixity.state) +
               "\",\"path\":\"" + path + "\"}";
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const Actor actor{"A. Examiner", "host", "telvar-fuzz-seeds", "1.0", "seed"};
    CaseOpenOptions options;
    options.create = true;
    options.reference = "2026-0042";
    options.creator = actor;
    {
        CaseFile empty(dir + "/empty.telvarcase", options);
    }
    {
        CaseFile file(dir + "/full.telvarcase", options);
        verify(file, actor, "/e/a.mkv", std::string(64, 'a'), 0);
        verify(file, actor, "/e/b.mkv", std::string(64, 'b'), 1);
        verify(file, actor, "/e/a.mkv", std::string(64, 'c'), 0);
        file.addNote(actor, 1, "checked with the recorder's owner");
        file.recordExport(actor, "html", "/out/r.html", std::string(64, 'd'));
        file.removeRecording(actor, 2);
    }
    compact(dir + "/empty.telvarcase");
    compact(dir + "/full.telvarcase");
    return 0;
}
