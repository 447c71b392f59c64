#include "signature/KeyStorePaths.h"

#include <sys/stat.h>

#include <cstdlib>

namespace nvr {

namespace {

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

std::string configFolder() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
        return config;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.config";
    }
    return ".config";
}

std::string userKeyStorePath() {
    return configFolder() + "/telvar/keys.toml";
}

std::string systemKeyStorePath() {
    return "/etc/telvar/keys.toml";
}

std::vector<std::string> defaultKeyStores() {
    for (const std::string& path : {userKeyStorePath(), systemKeyStorePath()}) {
        if (exists(path)) {
            return {path};
        }
    }
    return {};
}

}  // namespace nvr
