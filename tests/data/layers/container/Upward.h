// A reader header that reaches up into the walk: the layer check must refuse it.
#pragma once

#include "container/MkvElement.h"
#include "signature/WalkEvidence.h"
