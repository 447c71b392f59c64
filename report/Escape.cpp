#include "report/Escape.h"

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>
#include <nlohmann/json.hpp>

#include "signature/Hex.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// The code point at `pos` and its length in bytes; -1 (length 1) for a byte
// that does not start a well-formed sequence: overlong forms, surrogates and
// values past U+10FFFF are refused.
int32_t decodeAt(std::string_view bytes, size_t pos, size_t& length) {
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

// Characters that would drive a terminal, break or reorder the text
// around them, or draw nothing at all (so that two different names would
// look the same), in ascending order.
struct CodeRange {
    int32_t first;
    int32_t last;
};
constexpr CodeRange kShownAsEscape[] = {
    {0x0000, 0x001F},    // C0 controls
    {0x007F, 0x009F},    // DEL, C1 controls
    {0x00AD, 0x00AD},    // soft hyphen
    {0x034F, 0x034F},    // combining grapheme joiner
    {0x061C, 0x061C},    // Arabic letter mark
    {0x180B, 0x180F},    // Mongolian variation selectors and vowel separator
    {0x200B, 0x200F},    // zero widths, directional marks
    {0x2028, 0x2029},    // line and paragraph separators
    {0x202A, 0x202E},    // embeddings and overrides
    {0x2060, 0x2064},    // word joiner, invisible operators
    {0x2066, 0x206F},    // isolates, deprecated format characters
    {0xFE00, 0xFE0F},    // variation selectors
    {0xFEFF, 0xFEFF},    // zero-width no-break space
    {0xFFF9, 0xFFFB},    // interlinear annotation
    {0x1D173, 0x1D17A},  // musical formatting
    {0xE0000, 0xE007F},  // tags
    {0xE0100, 0xE01EF},  // variation selectors supplement
};

bool shownAsEscape(int32_t c) {
    for (const CodeRange& range : kShownAsEscape) {
        if (c < range.first) {
            return false;
        }
        if (c <= range.last) {
            return true;
        }
    }
    return false;
}

// Appends the display form of the bytes, with `entity` (may be null)
// naming a replacement for some characters of what is shown.
void appendDisplay(std::string& out, std::string_view bytes, const char* (*entity)(int32_t)) {
    for (size_t pos = 0; pos < bytes.size();) {
        size_t length = 1;
        const int32_t c = decodeAt(bytes, pos, length);
        char escaped[16];
        if (c < 0) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X",
                          static_cast<unsigned>(static_cast<unsigned char>(bytes[pos])));
            out += escaped;
        } else if (shownAsEscape(c)) {
            std::snprintf(escaped, sizeof escaped, "\\u{%04X}", static_cast<unsigned>(c));
            out += escaped;
        } else if (const char* replacement = entity != nullptr ? entity(c) : nullptr) {
            out += replacement;
        } else {
            out.append(bytes.substr(pos, length));
        }
        pos += length;
    }
}

const char* htmlEntity(int32_t c) {
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

// Every string in the display form; a member that changed keeps its exact
// bytes in hex beside it.
void displayStrings(nlohmann::json& value) {
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        if (!shownVerbatim(text)) {
            value = displayText(text);
        }
        return;
    }
    if (value.is_array()) {
        for (nlohmann::json& item : value) {
            displayStrings(item);
        }
        return;
    }
    if (!value.is_object()) {
        return;
    }
    std::vector<std::pair<std::string, std::string>> exact;
    for (auto it = value.begin(); it != value.end(); ++it) {
        if (it->is_string()) {
            const std::string& text = it->get_ref<const std::string&>();
            if (!shownVerbatim(text)) {
                exact.emplace_back(it.key() + "Bytes", hexBytes(text));
                *it = displayText(text);
            }
        } else {
            displayStrings(*it);
        }
    }
    for (auto& [key, hex] : exact) {
        value[key] = std::move(hex);
    }
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

bool wellFormedUtf8(std::string_view bytes) {
    for (size_t pos = 0; pos < bytes.size();) {
        // ASCII runs, the usual case, a byte at a time without decoding.
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        size_t length = 1;
        if (decodeAt(bytes, pos, length) < 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    size_t plain = 0;  // start of the run not yet appended
    for (size_t pos = 0; pos < text.size(); ++pos) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c >= 0x20 && c != '"' && c != '\\') {
            continue;
        }
        out.append(text.substr(plain, pos - plain));
        plain = pos + 1;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default: {
                static const char kDigits[] = "0123456789abcdef";
                out += "\\u00";
                out += kDigits[c >> 4];
                out += kDigits[c & 0x0F];
            }
        }
    }
    out.append(text.substr(plain));
    out += '"';
}

std::string displayText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    appendDisplay(out, bytes, nullptr);
    return out;
}

bool shownVerbatim(std::string_view bytes) {
    for (size_t pos = 0; pos < bytes.size();) {
        // Printable ASCII, nearly every byte of a report, needs no decoding.
        const auto byte = static_cast<unsigned char>(bytes[pos]);
        if (byte >= 0x20 && byte < 0x7F) {
            ++pos;
            continue;
        }
        size_t length = 1;
        const int32_t c = decodeAt(bytes, pos, length);
        if (c < 0 || shownAsEscape(c)) {
            return false;
        }
        pos += length;
    }
    return true;
}

std::string htmlText(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    appendDisplay(out, bytes, htmlEntity);
    return out;
}

std::string htmlAttribute(const std::string& bytes) {
    return htmlText(bytes);
}

std::string dumpJson(nlohmann::json value, int indent) {
    displayStrings(value);
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}
