#include "report/Escape.h"

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// The code point at `pos` and its length in bytes; -1 (length 1) for a byte
// that does not start a well-formed sequence: overlong forms, surrogates and
// values past U+10FFFF are refused.
int32_t decodeAt(const std::string& bytes, size_t pos, size_t& length) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(pos);
    length = 1;
    if (lead < 0x80) {
        return lead;
    }
    size_t extra = 0;
    int32_t value = 0;
    int32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, value = lead & 0x07, minimum = 0x10000;
    } else {
        return -1;
    }
    if (bytes.size() - pos <= extra) {
        return -1;
    }
    for (size_t i = 1; i <= extra; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return -1;
        }
        value = value << 6 | (byte(pos + i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return -1;
    }
    length = extra + 1;
    return value;
}

// Characters that would hide or reorder the text around them.
bool invisibleControl(int32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

const char* entityOf(int32_t c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        case '\'':
            return "&#39;";
        default:
            return nullptr;
    }
}

std::string escapeHtml(const std::string& bytes, bool attribute) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (size_t pos = 0; pos < bytes.size();) {
        size_t length = 1;
        const int32_t c = decodeAt(bytes, pos, length);
        char escaped[16];
        if (c < 0) {
            out += kReplacement;
        } else if (const char* entity = entityOf(c)) {
            out += entity;
        } else if (c == '\t' || c == '\n') {
            out += attribute ? (c == '\t' ? "&#9;" : "&#10;") : std::string(1, char(c));
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
            out += escaped;
        } else if (invisibleControl(c)) {
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out.append(bytes, pos, length);
        }
        pos += length;
    }
    return out;
}

}  // namespace

std::string validUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t pos = 0; pos < bytes.size();) {
        size_t length = 1;
        if (decodeAt(bytes, pos, length) < 0) {
            out += kReplacement;
        } else {
            out.append(bytes, pos, length);
        }
        pos += length;
    }
    return out;
}

std::string htmlText(const std::string& bytes) {
    return escapeHtml(bytes, false);
}

std::string htmlAttribute(const std::string& bytes) {
    return escapeHtml(bytes, true);
}

std::string dumpJson(const nlohmann::json& value, int indent) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}
