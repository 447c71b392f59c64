// The window reaching into the command line.
#pragma once

#include "cli/CaseRun.h"
#include "verification/VerifyResult.h"
