#pragma once

#include "container/iReader.h"
#include "signature/WalkEvidence.h"

namespace nvr {

// Finds clusters whose signed bytes and stored value repeat another
// cluster's, by comparing the bytes themselves: two clusters that merely
// store the same value are not copies of each other. Of identical clusters
// the original is the first that holds under the value stored before it,
// wherever the copies stand, else the first in the file. Fills
// walk.duplicates. Comparing reads at most about the file's size again.
void findClusterCopies(WalkEvidence& walk, iReader& source);

// The cluster that cluster `number` is a copy of, by walk.duplicates; 0 none.
int64_t originalOf(const WalkEvidence& walk, int64_t number);

}  // namespace nvr
