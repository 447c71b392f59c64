#include <gtest/gtest.h>

#include "container/MkvErrors.h"

using nvr::MkvException;

TEST(MkvException, PositionalMessageAppendsTheOffset) {
    EXPECT_STREQ(MkvException(nvr::MKV_ERR_BAD_EBML_DATASIZE, 4096).what(),
                 "bad ebml datasize @ 4096");
    EXPECT_STREQ(MkvException(nvr::MKV_ERR_NOT_VALID_FILE, 0).what(), "not an valid file @ 0");
    EXPECT_STREQ(MkvException(nvr::MKV_ERR_NO_READER, -1).what(), "no reader");
    EXPECT_STREQ(MkvException(nvr::MKV_ERR_OUT_OF_RANGE, -2).what(), "out of range @ -2");
    EXPECT_STREQ(MkvException(42, -1).what(), "unknown");
    EXPECT_STREQ(MkvException(42, 10).what(), "unknown @ 10");
}

TEST(MkvException, FormattedMessageHasNoPositionAndIsCut) {
    const MkvException opened(nvr::MKV_ERR_OTHER, "failed to open file");
    EXPECT_EQ(opened.position, -1);
    EXPECT_STREQ(opened.what(), "failed to open file");

    const std::string longText(2000, 'x');
    const MkvException cut(nvr::MKV_ERR_OTHER, "Caught DWMException: %s", longText.c_str());
    EXPECT_EQ(cut.message.size(), 1023u);
    EXPECT_EQ(cut.message.rfind("Caught DWMException: x", 0), 0u);
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
    for (int code = 0; code < 12; ++code) {
        EXPECT_STREQ(nvr::mkvErrorName(code), expected[code]) << code;
    }
    EXPECT_STREQ(nvr::mkvErrorName(-1), "unknown");
    EXPECT_STREQ(nvr::mkvErrorName(12), "unknown");
}
