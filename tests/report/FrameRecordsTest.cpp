// A still's record carries the recording's path as data: a path that would
// drive a terminal or hide text is shown escaped, its bytes beside it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "report/FrameRecords.h"

TEST(StillRecord, PathFromTheFileSystemIsData) {
    nvr::FrameIndex index;
    index.tagStart = "2026-12-01 08:00:00";
    nvr::FrameEntry entry;
    entry.frame = 7;
    entry.pts = 1240;
    StillRecord still;
    still.sourcePath = "cam\x1b[2J\xe2\x80\xae.mkv";
    const std::string text = stillRecordJson(still, index, entry);
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    const nlohmann::json record = nlohmann::json::parse(text);
    EXPECT_EQ(record.at("source").at("path"), "cam\\u{001B}[2J\\u{202E}.mkv");
    EXPECT_EQ(record.at("source").at("pathBytes"), "63616d1b5b324ae280ae2e6d6b76");
    EXPECT_TRUE(record.at("source").at("sha256").is_null());
    EXPECT_EQ(record.at("frame").at("statedTime"), "2026-12-01 08:00:01.240");
    EXPECT_TRUE(record.at("frame").at("cluster").is_null());
    EXPECT_EQ(record.at("frame").at("standing"), "outside-signatures");
}
