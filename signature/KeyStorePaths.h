#pragma once

#include <string>
#include <vector>

namespace nvr {

// The user's configuration folder: $XDG_CONFIG_HOME when absolute, else
// ~/.config, else .config.
std::string configFolder();
// The user's own key store, and the one for every user of the machine.
std::string userKeyStorePath();
std::string systemKeyStorePath();
// The stores used when none is named: the user's when it exists, else the
// machine's when it exists, else none (the built-in keys only).
std::vector<std::string> defaultKeyStores();

}  // namespace nvr
