// The case file reaching across into the pictures.
#pragma once

#include "video/Filmstrip.h"
#include "report/Wording.h"
