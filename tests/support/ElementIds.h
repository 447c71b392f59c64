#pragma once
// Matroska element ids that both the test recorder and the source-clip
// reader name.

#include <cstdint>

namespace recorder {

inline constexpr uint64_t kIdSegment = 0x18538067;
inline constexpr uint64_t kIdInfo = 0x1549A966;
inline constexpr uint64_t kIdTracks = 0x1654AE6B;
inline constexpr uint64_t kIdCluster = 0x1F43B675;
inline constexpr uint64_t kIdTimecode = 0xE7;
inline constexpr uint64_t kIdSimpleBlock = 0xA3;

}  // namespace recorder
