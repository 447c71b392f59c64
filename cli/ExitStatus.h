#pragma once

// telvar-verify's exit status for a command line it cannot use, shared by
// every action (the man page lists the others beside their actions).
constexpr int kUsage = 2;
