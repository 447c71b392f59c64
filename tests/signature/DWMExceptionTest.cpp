#include <gtest/gtest.h>

#include <string>

#include "signature/DWMException.h"

TEST(DwmErrorName, TableTexts) {
    EXPECT_STREQ(dwmErrorName(DWM_NO_ERROR), "no error");
    EXPECT_STREQ(dwmErrorName(DWM_FAILED), "operation has failed");
    EXPECT_STREQ(dwmErrorName(DWM_INVALID_ARGUMENTS), "invalid arguments");
    EXPECT_STREQ(dwmErrorName(DWM_OUT_OF_MEMORY), "out of memory");
    EXPECT_STREQ(dwmErrorName(DWM_SSL_ERROR), "ssl error");
    EXPECT_STREQ(dwmErrorName(DWM_NOT_READY), "not ready");
    for (const int32_t outside : {1, 7, -6}) {
        EXPECT_STREQ(dwmErrorName(outside), "unknown error") << outside;
    }
}

TEST(DWMException, WhatIsTheMessageOrElseTheCodesText) {
    EXPECT_STREQ(DWMException(DWM_SSL_ERROR, "").what(), "ssl error");
    EXPECT_STREQ(DWMException(DWM_SSL_ERROR, nullptr).what(), "ssl error");
    EXPECT_STREQ(DWMException(7).what(), "unknown error");
    EXPECT_STREQ(DWMException(DWM_NOT_READY).what(), "not ready");
    EXPECT_STREQ(DWMException(DWM_SSL_ERROR, std::string("error:1234:x")).what(), "error:1234:x");

    const DWMException original(DWM_SSL_ERROR, "error:5678:y");
    const DWMException copy(original);
    EXPECT_EQ(copy.code(), DWM_SSL_ERROR);
    EXPECT_STREQ(copy.what(), "error:5678:y");
    EXPECT_NE(copy.what(), original.what()) << "the copy owns its own text";
}
