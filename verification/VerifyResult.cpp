#include "verification/VerifyResult.h"

VerifyResult::VerifyResult(const char* name) : fileName(name) {}
