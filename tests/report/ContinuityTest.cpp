#include <gtest/gtest.h>

#include "report/Continuity.h"

namespace {

RecordingEvidence file(const std::string& serial, const std::string& start, const std::string& end,
                       VerdictCode code = VerdictCode::Success, const std::string& sha256 = "") {
    RecordingEvidence e;
    e.verdict.code = code;
    if (code == VerdictCode::Success) {
        e.verdict.serialNumber = serial;
        e.verdict.startTime = start;
        e.verdict.endTime = end;
    }
    e.tag.present = true;
    e.tag.serialNumber = serial;
    e.tag.startTime = start;
    e.tag.endTime = end;
    e.identity.sha256 = sha256;
    return e;
}

}  // namespace

TEST(Continuity, GapsOverlapsAndDuplicates) {
    const std::vector<RecordingEvidence> files = {
        file("A", "2026-12-01 10:05:00", "2026-12-01 11:00:00", VerdictCode::Success, "aa"),  // 0
        file("A", "2026-12-01 08:00:00", "2026-12-01 09:00:00"),                              // 1
        file("A", "2026-12-01 09:00:01", "2026-12-01 10:00:00"),  // 2: one second: continuous
        file("A", "2026-12-01 10:30:00", "2026-12-01 10:40:00"),  // 3: inside 0
        file("A", "2026-12-01 10:50:00", "2026-12-01 12:00:00"),  // 4: still inside 0's reach
        file("B", "2026-12-01 10:00:00", "2026-12-01 11:00:00"),  // 5: another recorder
        file("A", "2026-12-01 09:10:00", "2026-12-01 09:20:00", VerdictCode::Mismatch, "aa"),  // 6
        file("A", "yesterday", "today"),                                                       // 7
    };
    const Continuity c = continuityOf(files);
    ASSERT_EQ(c.serials.size(), 2u);
    const SerialContinuity& a = c.serials[0];
    EXPECT_EQ(a.serialNumber, "A");
    EXPECT_EQ(a.files, (std::vector<size_t>{1, 2, 0, 3, 4}));  // the failed file is not placed
    ASSERT_EQ(a.gaps.size(), 1u);
    EXPECT_EQ(a.gaps[0].from, 2u);
    EXPECT_EQ(a.gaps[0].to, 0u);
    EXPECT_EQ(a.gaps[0].seconds, 300);
    ASSERT_EQ(a.overlaps.size(), 2u);
    EXPECT_EQ(a.overlaps[0].from, 0u);
    EXPECT_EQ(a.overlaps[0].to, 3u);
    EXPECT_EQ(a.overlaps[0].seconds, -1800);
    EXPECT_EQ(a.overlaps[1].to, 4u);
    EXPECT_EQ(a.overlaps[1].seconds, -600);
    EXPECT_EQ(c.serials[1].files, (std::vector<size_t>{5}));
    EXPECT_EQ(c.unplaced, (std::vector<size_t>{7}));
    // Same bytes whatever the verdict.
    ASSERT_EQ(c.duplicates.size(), 1u);
    EXPECT_EQ(c.duplicates[0].files, (std::vector<size_t>{0, 6}));
}
