#include "casefile/CustodyEvent.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <nlohmann/json.hpp>

#include "report/Escape.h"
#include "report/ReportContext.h"
#include "signature/Hex.h"
#include "signature/Sha256.h"

namespace {

struct KindNames {
    EventKind kind;
    const char* code;
    const char* words;
};

constexpr std::array<KindNames, 11> kKinds = {{
    {EventKind::CaseCreated, "case-created", "Case created"},
    {EventKind::RecordingAdded, "recording-added", "Recording added"},
    {EventKind::Verified, "verified", "Verified"},
    {EventKind::VerifiedAgain, "verified-again", "Verified again"},
    {EventKind::Exported, "exported", "Report exported"},
    {EventKind::NoteAdded, "note-added", "Note added"},
    {EventKind::RecordingRemoved, "recording-removed", "Removed from the list"},
    {EventKind::ExaminerKey, "examiner-key", "Examiner's key entered"},
    {EventKind::Sealed, "sealed", "Sealed by the examiner"},
    {EventKind::RecordingFound, "recording-found", "Found beside the moved case"},
    {EventKind::KeyStoreChanged, "key-store-changed", "Key store changed"},
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
    for (const KindNames& names : kKinds) {
        if (names.kind == kind) {
            return names.code;
        }
    }
    return "unknown";
}

const char* eventKindWords(EventKind kind) {
    for (const KindNames& names : kKinds) {
        if (names.kind == kind) {
            return names.words;
        }
    }
    return "Unknown event";
}

std::optional<EventKind> eventKindFromCode(const std::string& code) {
    for (const KindNames& names : kKinds) {
        if (code == names.code) {
            return names.kind;
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

namespace {

// The canonical JSON through nlohmann's object, which keeps its keys
// sorted and dumps without spaces: the bytes docs/case-file.md fixes, and
// the one way for an event with text that is not UTF-8 (a hostile file),
// whose bytes become U+FFFD and so no longer hash to what was stored.
std::string canonicalThroughObject(const CustodyEvent& event) {
    const auto optionalText = [](const std::optional<std::string>& text) {
        return text ? nlohmann::json(*text) : nlohmann::json(nullptr);
    };
    const nlohmann::json object = {
        {"at", event.at},
        {"build", event.actor.build},
        {"detail", event.detail},
        {"examiner", event.actor.examiner},
        {"host", event.actor.host},
        {"kind", eventKindCode(event.kind)},
        {"path", upperHexBytes(event.path)},
        {"prev", event.prev},
        {"program", event.actor.program},
        {"record", optionalText(event.record)},
        {"recording", event.recording ? nlohmann::json(*event.recording) : nlohmann::json(nullptr)},
        {"seq", event.seq},
        {"sha256", optionalText(event.sha256)},
        {"version", event.actor.version},
    };
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::string canonicalEventJson(const CustodyEvent& event) {
    const std::string path = upperHexBytes(event.path);
    const char* const kind = eventKindCode(event.kind);
    const std::string* const texts[] = {&event.at,           &event.actor.build,   &event.detail,
                                        &event.actor.examiner, &event.actor.host, &event.prev,
                                        &event.actor.program,  &event.actor.version};
    for (const std::string* text : texts) {
        if (!wellFormedUtf8(*text)) {
            return canonicalThroughObject(event);
        }
    }
    if ((event.record && !wellFormedUtf8(*event.record)) ||
        (event.sha256 && !wellFormedUtf8(*event.sha256))) {
        return canonicalThroughObject(event);
    }
    // The same bytes written straight, keys in their sorted order: every
    // event of a run is hashed, and the object costs more than the hash.
    std::string out;
    out.reserve(512 + path.size());
    const auto text = [&out](const char* key, std::string_view value) {
        out += key;
        appendJsonString(out, value);
    };
    const auto optionalText = [&out](const char* key, const std::optional<std::string>& value) {
        out += key;
        if (value) {
            appendJsonString(out, *value);
        } else {
            out += "null";
        }
    };
    text("{\"at\":", event.at);
    text(",\"build\":", event.actor.build);
    text(",\"detail\":", event.detail);
    text(",\"examiner\":", event.actor.examiner);
    text(",\"host\":", event.actor.host);
    text(",\"kind\":", kind);
    text(",\"path\":", path);
    text(",\"prev\":", event.prev);
    text(",\"program\":", event.actor.program);
    optionalText(",\"record\":", event.record);
    out += ",\"recording\":";
    out += event.recording ? std::to_string(*event.recording) : std::string("null");
    out += ",\"seq\":";
    out += std::to_string(event.seq);
    optionalText(",\"sha256\":", event.sha256);
    text(",\"version\":", event.actor.version);
    out += '}';
    return out;
}

std::string eventHash(const CustodyEvent& event) {
    const std::string text = canonicalEventJson(event);
    return sha256Hex(text.data(), text.size());
}

