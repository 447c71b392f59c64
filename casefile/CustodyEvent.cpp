#include "casefile/CustodyEvent.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <ctime>
#include <nlohmann/json.hpp>

#include "report/Escape.h"
#include "report/ReportContext.h"
#include "signature/Sha256.h"

namespace {

constexpr std::array<std::pair<EventKind, const char*>, 7> kKinds = {{
    {EventKind::CaseCreated, "case-created"},
    {EventKind::RecordingAdded, "recording-added"},
    {EventKind::Verified, "verified"},
    {EventKind::VerifiedAgain, "verified-again"},
    {EventKind::Exported, "exported"},
    {EventKind::NoteAdded, "note-added"},
    {EventKind::RecordingRemoved, "recording-removed"},
}};

std::string loginName() {
    std::array<char, 16384> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr) {
        return found->pw_name;
    }
    return "uid " + std::to_string(geteuid());
}

std::string hostName() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0) {
        return "unknown";
    }
    return name.data();
}

}  // namespace

const char* const kNoPreviousEvent =
    "0000000000000000000000000000000000000000000000000000000000000000";

const char* eventKindCode(EventKind kind) {
    for (const auto& [k, code] : kKinds) {
        if (k == kind) {
            return code;
        }
    }
    return "unknown";
}

std::optional<EventKind> eventKindFromCode(const std::string& code) {
    for (const auto& [k, text] : kKinds) {
        if (code == text) {
            return k;
        }
    }
    return std::nullopt;
}

Actor currentActor(const std::string& program, const std::string& examiner) {
    Actor actor;
    actor.examiner = validUtf8(examiner.empty() ? loginName() : examiner);
    actor.host = validUtf8(hostName());
    actor.program = validUtf8(program);
    actor.version = telvarVersion();
    actor.build = telvarBuild();
    return actor;
}

std::string upperHex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        out += digits[c >> 4];
        out += digits[c & 0x0F];
    }
    return out;
}

std::string canonicalEventJson(const CustodyEvent& event) {
    const auto optionalText = [](const std::optional<std::string>& text) {
        return text ? nlohmann::json(*text) : nlohmann::json(nullptr);
    };
    // nlohmann's object keeps its keys sorted, and dumps without spaces.
    const nlohmann::json object = {
        {"at", event.at},
        {"build", event.actor.build},
        {"detail", event.detail},
        {"examiner", event.actor.examiner},
        {"host", event.actor.host},
        {"kind", eventKindCode(event.kind)},
        {"path", upperHex(event.path)},
        {"prev", event.prev},
        {"program", event.actor.program},
        {"record", optionalText(event.record)},
        {"recording", event.recording ? nlohmann::json(*event.recording) : nlohmann::json(nullptr)},
        {"seq", event.seq},
        {"sha256", optionalText(event.sha256)},
        {"version", event.actor.version},
    };
    // Dumped here rather than by the report's writer: these bytes are fixed
    // by docs/case-file.md whatever the reports do. A stored text that is
    // not UTF-8 (a hostile file) becomes U+FFFD and so no longer hashes to
    // what was stored.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string eventHash(const CustodyEvent& event) {
    const std::string text = canonicalEventJson(event);
    return sha256Hex(text.data(), text.size());
}

std::string utcNowText() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (gmtime_r(&now, &tm) == nullptr) {
        return "1970-01-01T00:00:00Z";
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}
