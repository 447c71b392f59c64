#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The two writers one description of a JSON object goes through (see
// JsonReport.cpp): the same calls make nlohmann's object of the raw bytes,
// or the object's dumped line in the display form (dumpJson) written
// straight, without the object. Members are given in sorted key order, as
// the object dumps them; `text` adds the sibling `kBytes` of a text not
// shown verbatim, which sorts right after `k` for every key used.

class JsonObjectWriter {
  public:
    void beginObject(const char* key = nullptr);
    void beginArray(const char* key);
    void end();
    void text(const char* key, std::string_view bytes);
    // An array's item.
    void text(std::string_view bytes);
    void code(const char* key, const char* code);  // null for none
    void integer(const char* key, int64_t value);
    void real(const char* key, const std::optional<double>& value);
    void boolean(const char* key, bool value);
    void null(const char* key);

    nlohmann::json take() { return std::move(root); }

  private:
    nlohmann::json& slot(const char* key);
    nlohmann::json root;
    std::vector<nlohmann::json*> open;
};

class JsonLineWriter {
  public:
    void beginObject(const char* key = nullptr);
    void beginArray(const char* key);
    void end();
    void text(const char* key, std::string_view bytes);
    void text(std::string_view bytes);
    void code(const char* key, const char* code);
    void integer(const char* key, int64_t value);
    void real(const char* key, const std::optional<double>& value);
    void boolean(const char* key, bool value);
    void null(const char* key);

    std::string take() { return std::move(out); }

  private:
    void member(const char* key);
    std::string out;
    std::vector<char> closers;  // of the open objects and arrays
    bool first = true;          // no member yet in the innermost one
};
