#pragma once

#include <nlohmann/json.hpp>
#include <string>

// The --json output with the time of each run taken out, which alone may
// differ between two runs over the same files.
inline nlohmann::json withoutRunTime(const std::string& out) {
    nlohmann::json parsed = nlohmann::json::parse(out);
    for (nlohmann::json& file : parsed) {
        file.erase("verifiedAt");
    }
    return parsed;
}
