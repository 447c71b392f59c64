#pragma once

#include "cli/CliOptions.h"

// Chooses the run's key store and validation time (--keys, the usual
// places, --validation-time) for every verification and report; false, with
// the reason printed, when the store or the time does not read.
bool chooseKeys(const CliOptions& options);

// `telvar-verify keys list | show | add | retire | revoke`: exit status 0
// done, 2 a usage error or a store that does not read, 4 not written.
int keysCommand(const CliOptions& options);
