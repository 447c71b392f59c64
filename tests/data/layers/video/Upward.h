// The pictures reaching into the case file.
#pragma once

#include "casefile/CaseFile.h"
#include "report/Wording.h"
