// The walk reaching up into the formats.
#pragma once

#include "report/Wording.h"
#include "container/MkvElement.h"
