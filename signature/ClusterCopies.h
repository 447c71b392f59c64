#pragma once

#include "container/iReader.h"
#include "signature/WalkEvidence.h"

namespace nvr {

// Finds clusters whose signed bytes and stored value repeat an earlier
// cluster's, by comparing the bytes themselves: two clusters that merely
// store the same value are not copies of each other. Fills walk.duplicates.
// Comparing reads at most about the file's size again.
void findClusterCopies(WalkEvidence& walk, iReader& source);

}  // namespace nvr
