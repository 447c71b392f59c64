#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string_view>

// The deepest nesting of arrays and objects a stored JSON text may have.
// The evidence objects this program writes nest a few levels; walking and
// printing a parsed value recurses once per level, so a forged case file
// nested thousands deep would exhaust the stack.
constexpr size_t kMostJsonDepth = 64;

// Whether the text nests arrays and objects no deeper than `most` (strings
// skipped; the text need not be valid JSON).
bool jsonDepthWithin(std::string_view text, size_t most = kMostJsonDepth);

// JSON read from a case file or any other stored text: discarded (see
// is_discarded()) when it is not JSON or nests deeper than kMostJsonDepth.
nlohmann::json parseStoredJson(std::string_view text);

// The member `key` of a stored object; null when it is no object or has none.
const nlohmann::json& storedMember(const nlohmann::json& object, const char* key);
