#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"
#include "video/FrameDecoder.h"

// The pictures around an alteration: the last proven cluster before the
// first failing run, the run's first clusters, the first proven cluster
// after it (where none is proven, the nearest whose link holds, labelled
// as such). Each says plainly how far its cluster is proven. Built from the
// evidence only; the verdict is never consulted beyond it nor changed.
namespace nvr::video {

struct FilmstripFrame {
    int64_t cluster = 0;            // number, from 1, in file order
    std::optional<double> seconds;  // the cluster's start, stated by the file
    std::string wallClock;          // the tag's start time plus `seconds`; may be empty
    ClusterStatus status = ClusterStatus::NotChecked;
    ClusterStanding standing = ClusterStanding::NotChecked;
    bool verified = false;  // standing Proven: tied to an RSA tag's signed final value
    std::string label;      // e.g. "Cluster 15 · 00:00:14 (08:00:14 as stated) · failed"
    PictureResult picture;  // never of frames that stand before the signature
};

struct FilmstripOptions {
    int maxFailing = 4;  // pictures from inside the failing run
    DecodeLimits limits;
};

// The clusters to show, labelled, nothing decoded yet. Empty when no run of
// clusters failed or the evidence holds no cluster map
// (ExamineOptions::keepClusters).
std::vector<FilmstripFrame> chooseFilmstrip(const RecordingEvidence& evidence, int maxFailing = 4);

// The chosen clusters with their first pictures, read from `source`.
std::vector<FilmstripFrame> filmstrip(const ByteSource& source, const RecordingEvidence& evidence,
                                      const FilmstripOptions& options = {});
// The same from a file; a file that cannot be opened gives every frame the
// reason, and so does one that changed while its pictures were taken.
std::vector<FilmstripFrame> filmstrip(const FileSource& source, const RecordingEvidence& evidence,
                                      const FilmstripOptions& options = {});
std::vector<FilmstripFrame> filmstrip(const std::string& path, const RecordingEvidence& evidence,
                                      const FilmstripOptions& options = {});

// The first picture of one span of the timeline, for a click on it. Needs
// only the runs, not the cluster map; decoding stops within the first
// clusters of a long run.
PictureResult pictureAtRun(const ByteSource& source, const RecordingEvidence& evidence,
                           const ClusterRun& run, const DecodeLimits& limits = {});

// "Cluster 15 · 00:00:14 (08:00:14 as stated) · failed", the standing in
// the words of standingWord; the offset alone where `wallClock` is empty,
// "time not stated" without a usable time.
std::string filmstripLabel(int64_t cluster, std::optional<double> seconds,
                           const std::string& wallClock, ClusterStanding standing);

}  // namespace nvr::video
