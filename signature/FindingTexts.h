#pragma once

#include <optional>
#include <string>

#include "signature/FindingCode.h"
#include "signature/WalkEvidence.h"

// The sentences of the cluster and chain findings. Each says what the file
// shows, then every cause it is consistent with; times are as the file
// states them, since no signature covers them.

// About how many clusters the stated times say are missing before `entry`:
// its step from the cluster before it over the median, when that step is
// more than 1.5 medians and `entry` does not hold; 0 otherwise.
long removedBefore(const ClusterMap& map, const ClusterEntry& entry,
                   const std::optional<double>& median);

// ChainBreak, ClusterMismatch, ClusterRemoved, ClusterSpliced, ClusterMoved,
// ChainBroken, ClusterUnsigned, ClusterError.
std::string clusterText(FindingCode code, const nvr::WalkEvidence& walk, int64_t first,
                        int64_t last, const std::optional<double>& median);
// Clusters first..last are outside the sealed chain, as `shownBy` holding
// under an earlier value (or, proven, under the built-in key) shows.
std::string insertedText(const ClusterMap& map, int64_t first, int64_t last, int64_t shownBy,
                         bool anyProven);
std::string movedText(const ClusterMap& map, int64_t first, int64_t last);
// `copy` repeats `original` byte for byte; names both places, and which is
// the copy where the links tell.
std::string duplicatedText(const nvr::WalkEvidence& walk, int64_t copy, int64_t original);
std::string unsignedFramesText(const ClusterMap& map, int64_t first, int64_t last);
// Frames a player reads outside every proven cluster, place by place.
std::string unprovenFramesText(const nvr::UnprovenFrames& found, int64_t segmentEnd);
std::string appendedText(const nvr::WalkEvidence& walk);
std::string chainEndText(const nvr::WalkEvidence& walk, const std::optional<double>& median);
