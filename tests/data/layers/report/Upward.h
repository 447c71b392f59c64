// The formats reaching up into the pictures.
#pragma once

#include "video/Filmstrip.h"
#include "signature/Findings.h"
