#pragma once

#include <cstdint>
#include <string>

// What a forger does after an edit: recompute the hash of every event from
// `from` on, each linked to the one before, as docs/case-file.md says.
void rechain(const std::string& path, int64_t from);
