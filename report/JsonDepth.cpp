#include "report/JsonDepth.h"

bool jsonDepthWithin(std::string_view text, size_t most) {
    size_t depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;  // the escaped character cannot end the string
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > most) {
                return false;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

nlohmann::json parseStoredJson(std::string_view text) {
    if (!jsonDepthWithin(text)) {
        return nlohmann::json(nlohmann::json::value_t::discarded);
    }
    return nlohmann::json::parse(text, nullptr, false);
}

const nlohmann::json& storedMember(const nlohmann::json& object, const char* key) {
    static const nlohmann::json none;
    if (!object.is_object()) {
        return none;
    }
    const auto it = object.find(key);
    return it == object.end() ? none : *it;
}
