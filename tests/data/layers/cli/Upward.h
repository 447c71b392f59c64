// The command line reaching into the window's run.
#pragma once

#include "verification/VerifyResult.h"
#include "casefile/CaseFile.h"
