// The window's run reaching into the command line.
#pragma once

#include "cli/CliOptions.h"
#include "video/Filmstrip.h"
