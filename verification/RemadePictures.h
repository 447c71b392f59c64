#pragma once

#include <atomic>
#include <vector>

#include "report/ReportPicture.h"
#include "signature/RecordingEvidence.h"

// The pictures around the first failure of a recording whose evidence was
// read back from a case, which keeps no pictures: made again from the file
// at its path, only when that file still has the SHA-256 the evidence
// names. Otherwise one tile that says why there are none. Slow (the file is
// examined again with its cluster map): for a helper thread. `cancel`, when
// set, stops the examination early (whatever it then returns is dropped).
std::vector<ReportPicture> remadePictures(const RecordingEvidence& stored,
                                          const std::atomic<bool>* cancel = nullptr);
