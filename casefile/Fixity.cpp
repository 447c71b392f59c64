#include "casefile/Fixity.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<Fixity, const char*>, 6> kCodes = {{
    {Fixity::Intake, "intake"},
    {Fixity::Unchanged, "unchanged"},
    {Fixity::Changed, "changed"},
    {Fixity::Missing, "missing"},
    {Fixity::Unreadable, "unreadable"},
    {Fixity::NoIntake, "no-intake"},
}};

}  // namespace

const char* fixityCode(Fixity fixity) {
    for (const auto& [f, code] : kCodes) {
        if (f == fixity) {
            return code;
        }
    }
    return "unknown";
}

std::optional<Fixity> fixityFromCode(const std::string& code) {
    for (const auto& [f, text] : kCodes) {
        if (code == text) {
            return f;
        }
    }
    return std::nullopt;
}

FixityCheck compareWithIntake(const std::optional<std::string>& intakeSha256,
                              const std::string& addedAt, const FileFacts& now) {
    FixityCheck check;
    check.intakeSha256 = intakeSha256;
    check.addedAt = addedAt;
    check.nowSha256 = now.sha256;
    if (now.missing) {
        check.state = Fixity::Missing;
    } else if (!now.sha256) {
        check.state = Fixity::Unreadable;
    } else if (!intakeSha256) {
        check.state = Fixity::NoIntake;
    } else {
        check.state = *intakeSha256 == *now.sha256 ? Fixity::Unchanged : Fixity::Changed;
    }
    return check;
}

std::optional<FixityFinding> fixityFinding(const FixityCheck& check) {
    const std::string then = check.intakeSha256.value_or("not taken");
    switch (check.state) {
        case Fixity::Changed:
            return FixityFinding{FindingCode::FixityChanged,
                                 "the file's bytes changed since it was added on " + check.addedAt +
                                     " (SHA-256 then " + then + ", now " +
                                     check.nowSha256.value_or("") + ")"};
        case Fixity::Missing:
            return FixityFinding{FindingCode::FixityMissing,
                                 "the file is missing: nothing is at its path since it was "
                                 "added on " +
                                     check.addedAt + " (SHA-256 then " + then + ")"};
        case Fixity::Unreadable:
            return FixityFinding{FindingCode::FixityUnreadable,
                                 "the file's bytes could not be read to compare them with those "
                                 "added on " +
                                     check.addedAt + " (SHA-256 then " + then + ")"};
        case Fixity::Intake:
        case Fixity::Unchanged:
        case Fixity::NoIntake:
            break;
    }
    return std::nullopt;
}
