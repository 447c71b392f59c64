#pragma once

#include "cli/CliOptions.h"

// The archive run's three steps (docs/archive-runs.md), each a thin shell
// over casefile/Archive*: --plan, --shard and --merge.
int planArchiveRun(const CliOptions& options);
int verifyShard(const CliOptions& options);
int mergeArchiveRun(const CliOptions& options);
