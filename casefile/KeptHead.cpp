#include "casefile/KeptHead.h"

#include <cctype>
#include <fstream>

#include "casefile/CaseFile.h"
#include "casefile/ExaminerKey.h"
#include "signature/Sha256.h"

namespace {

constexpr size_t kShortestPrefix = 16;

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace

HeadCheck checkKeptHead(const CaseFile& file, const std::string& kept) {
    const size_t colon = kept.find(':');
    const std::string number = kept.substr(0, colon);
    const std::string prefix = colon == std::string::npos ? std::string() : lower(kept.substr(colon + 1));
    if (number.empty() || number.size() > 18 ||
        number.find_first_not_of("0123456789") != std::string::npos || prefix.size() < kShortestPrefix ||
        prefix.size() > 64 || prefix.find_first_not_of("0123456789abcdef") != std::string::npos) {
        return {false, "The head to expect must be N:SHA256, the event's number and at least " +
                           std::to_string(kShortestPrefix) + " hex digits of its SHA-256"};
    }
    const int64_t seq = std::stoll(number);
    const std::string named = "The head kept elsewhere, event " + number + " with SHA-256 " + prefix;
    const std::optional<CustodyEvent> event = file.event(seq);
    if (!event) {
        return {false, named + "..., is not in the log, which has " +
                           std::to_string(file.head().events) +
                           " events: the log was cut short or rewritten"};
    }
    if (event->hash.compare(0, prefix.size(), prefix) != 0) {
        return {false, named + "..., is not in the log: its event " + number + " has SHA-256 " +
                           event->hash + ": the log was rewritten"};
    }
    return {true, named + "..., is in the log: event " + number + " has SHA-256 " + event->hash};
}

HeadCheck checkKeptReport(const CaseFile& file, const AuditResult& audit,
                          const std::string& reportPath) {
    std::ifstream in(reportPath, std::ios::binary);
    if (!in) {
        return {false, "The report " + reportPath + " cannot be read"};
    }
    Sha256 digest;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        digest.update(buffer, static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) {
        return {false, "The report " + reportPath + " cannot be read"};
    }
    const std::string sha256 = digest.finishHex();
    const std::optional<CustodyEvent> event = file.exportOf(sha256);
    if (!event) {
        return {false, "No export of this case has the report's SHA-256 " + sha256 +
                           ": the report was changed, or its export event is gone from the log"};
    }
    const bool sealed = audit.sealedThrough() >= event->seq;
    return {sealed, "The report is event " + std::to_string(event->seq) + " (exported " +
                        event->at + " by " + event->actor.examiner + ", SHA-256 " + sha256 + ")" +
                        (sealed ? ", under a seal" : ", which no seal covers")};
}

void describeHead(const ChainHead& head, const ExaminerKey* key, ReportContext& run) {
    run.custodyEvents = head.events;
    run.custodyHead = head.hash;
    run.custodySealExaminer = head.seal ? head.seal->examiner : std::string();
    run.custodySealKey = head.seal ? head.seal->fingerprint : std::string();
    run.custodySealSignature = head.seal ? head.seal->signature : std::string();
    run.examinerPublicKey = key != nullptr ? key->publicKeyHex() : std::string();
    run.examinerKeyFingerprint = key != nullptr ? key->fingerprint() : std::string();
}

std::vector<std::string> sealLines(const AuditResult& result) {
    std::vector<std::string> lines;
    for (const VerifiedSeal& seal : result.seals) {
        lines.push_back("Sealed at event " + std::to_string(seal.event) + " by " + seal.examiner +
                        " (key SHA-256 " + seal.fingerprint + "): events 1-" +
                        std::to_string(seal.event));
    }
    const int64_t sealed = result.sealedThrough();
    if (result.seals.empty() && result.events > 0) {
        lines.push_back("Not sealed: no examiner's key vouches for any of the " +
                        std::to_string(result.events) +
                        " events (a case of an older version, or a log rewritten without its "
                        "seals)");
    } else if (sealed < result.events) {
        lines.push_back("Unsealed: events " + std::to_string(sealed + 1) + "-" +
                        std::to_string(result.events) +
                        " follow the last seal; no examiner's key vouches for them (a run that "
                        "was killed, or events added by someone else)");
    }
    for (const std::string& what : result.unvouched) {
        lines.push_back("Not vouched by the log: " + what);
    }
    return lines;
}
