#include "report/JsonWriters.h"

#include <utility>

#include "report/Escape.h"
#include "signature/Hex.h"

nlohmann::json& JsonObjectWriter::slot(const char* key) {
    if (open.empty()) {
        return root;
    }
    nlohmann::json& parent = *open.back();
    if (parent.is_array()) {
        parent.push_back(nullptr);
        return parent.back();
    }
    return parent[key];
}

void JsonObjectWriter::beginObject(const char* key) {
    nlohmann::json& value = slot(key);
    value = nlohmann::json::object();
    open.push_back(&value);
}

void JsonObjectWriter::beginArray(const char* key) {
    nlohmann::json& value = slot(key);
    value = nlohmann::json::array();
    open.push_back(&value);
}

void JsonObjectWriter::end() {
    open.pop_back();
}

void JsonObjectWriter::text(const char* key, std::string_view bytes) {
    slot(key) = std::string(bytes);
}

void JsonObjectWriter::text(std::string_view bytes) {
    slot(nullptr) = std::string(bytes);
}

void JsonObjectWriter::code(const char* key, const char* code) {
    slot(key) = code != nullptr ? nlohmann::json(code) : nlohmann::json(nullptr);
}

void JsonObjectWriter::integer(const char* key, int64_t value) {
    slot(key) = value;
}

void JsonObjectWriter::real(const char* key, const std::optional<double>& value) {
    slot(key) = value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

void JsonObjectWriter::boolean(const char* key, bool value) {
    slot(key) = value;
}

void JsonObjectWriter::null(const char* key) {
    slot(key) = nullptr;
}

void JsonLineWriter::member(const char* key) {
    if (!first) {
        out += ',';
    }
    first = false;
    if (key != nullptr && !closers.empty() && closers.back() == '}') {
        out += '"';
        out += key;
        out += "\":";
    }
}

void JsonLineWriter::beginObject(const char* key) {
    member(key);
    out += '{';
    closers.push_back('}');
    first = true;
}

void JsonLineWriter::beginArray(const char* key) {
    member(key);
    out += '[';
    closers.push_back(']');
    first = true;
}

void JsonLineWriter::end() {
    out += closers.back();
    closers.pop_back();
    first = false;
}

void JsonLineWriter::text(const char* key, std::string_view bytes) {
    member(key);
    if (shownVerbatim(bytes)) {
        appendJsonString(out, bytes);
        return;
    }
    appendJsonString(out, displayText(bytes));
    out += ",\"";
    out += key;
    out += "Bytes\":\"";
    out += hexBytes(bytes);
    out += '"';
}

void JsonLineWriter::text(std::string_view bytes) {
    member(nullptr);
    if (shownVerbatim(bytes)) {
        appendJsonString(out, bytes);
    } else {
        appendJsonString(out, displayText(bytes));
    }
}

void JsonLineWriter::code(const char* key, const char* code) {
    if (code == nullptr) {
        null(key);
    } else {
        text(key, code);
    }
}

void JsonLineWriter::integer(const char* key, int64_t value) {
    member(key);
    out += std::to_string(value);
}

void JsonLineWriter::real(const char* key, const std::optional<double>& value) {
    member(key);
    // The object's own number format, whatever the value.
    out += value ? nlohmann::json(*value).dump() : std::string("null");
}

void JsonLineWriter::boolean(const char* key, bool value) {
    member(key);
    out += value ? "true" : "false";
}

void JsonLineWriter::null(const char* key) {
    member(key);
    out += "null";
}
