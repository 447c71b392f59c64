#include <gtest/gtest.h>

#include "container/MkvErrors.h"

using nvr::MkvException;

TEST(MkvException, PositionalMessageAppendsTheOffset) {
    EXPECT_STREQ(MkvException(nvr::MkvErrorCode::BadEbmlDataSize, 4096).what(),
                 "bad ebml datasize @ 4096");
    EXPECT_STREQ(MkvException(nvr::MkvErrorCode::NotValidFile, 0).what(), "not an valid file @ 0");
    EXPECT_STREQ(MkvException(nvr::MkvErrorCode::NoReader).what(), "no reader");
    EXPECT_STREQ(MkvException(nvr::MkvErrorCode::OutOfRange, -2).what(), "out of range @ -2");
    EXPECT_STREQ(MkvException(static_cast<nvr::MkvErrorCode>(42)).what(), "unknown");
    EXPECT_STREQ(MkvException(static_cast<nvr::MkvErrorCode>(42), 10).what(), "unknown @ 10");
    EXPECT_EQ(MkvException(nvr::MkvErrorCode::Io, 0).position(), 0);
    EXPECT_FALSE(MkvException(nvr::MkvErrorCode::NoReader).position());
}

TEST(MkvException, OwnTextHasNoPositionAndIsCut) {
    const MkvException opened(nvr::MkvErrorCode::Other, "failed to open file");
    EXPECT_FALSE(opened.position());
    EXPECT_STREQ(opened.what(), "failed to open file");

    const std::string longText(2000, 'x');
    const MkvException cut(nvr::MkvErrorCode::Other, "Caught DWMException: " + longText);
    EXPECT_EQ(cut.message().size(), 1023u);
    EXPECT_EQ(cut.message().rfind("Caught DWMException: x", 0), 0u);
}

TEST(MkvErrorName, TableTexts) {
    const char* expected[] = {"none",
                              "fail",
                              "bad ebml id",
                              "bad ebml datasize",
                              "out of range",
                              "I/O error",
                              "invalid",
                              "not an valid file",
                              "no reader",
                              "invalid mkv element",
                              "does not exists",
                              "other"};
    for (int32_t code = 0; code < 12; ++code) {
        EXPECT_STREQ(nvr::mkvErrorName(static_cast<nvr::MkvErrorCode>(code)), expected[code])
            << code;
    }
    EXPECT_STREQ(nvr::mkvErrorName(static_cast<nvr::MkvErrorCode>(-1)), "unknown");
    EXPECT_STREQ(nvr::mkvErrorName(static_cast<nvr::MkvErrorCode>(12)), "unknown");
}
