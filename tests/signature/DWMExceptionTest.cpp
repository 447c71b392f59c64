#include <gtest/gtest.h>

#include <string>

#include "signature/DWMException.h"

TEST(DwmErrorName, TableTexts) {
    EXPECT_STREQ(dwmErrorName(DWMErrorCode::NoError), "no error");
    EXPECT_STREQ(dwmErrorName(DWMErrorCode::Failed), "operation has failed");
    EXPECT_STREQ(dwmErrorName(DWMErrorCode::InvalidArguments), "invalid arguments");
    EXPECT_STREQ(dwmErrorName(DWMErrorCode::OutOfMemory), "out of memory");
    EXPECT_STREQ(dwmErrorName(DWMErrorCode::SslError), "ssl error");
    EXPECT_STREQ(dwmErrorName(DWMErrorCode::NotReady), "not ready");
    for (const int32_t outside : {1, 7, -6}) {
        EXPECT_STREQ(dwmErrorName(static_cast<DWMErrorCode>(outside)), "unknown error") << outside;
    }
}

TEST(DWMException, WhatIsTheMessageOrElseTheCodesText) {
    EXPECT_STREQ(DWMException(DWMErrorCode::SslError, "").what(), "ssl error");
    EXPECT_STREQ(DWMException(DWMErrorCode::SslError).what(), "ssl error");
    EXPECT_STREQ(DWMException(static_cast<DWMErrorCode>(7)).what(), "unknown error");
    EXPECT_STREQ(DWMException(DWMErrorCode::NotReady).what(), "not ready");
    EXPECT_STREQ(DWMException(DWMErrorCode::SslError, "error:1234:x").what(), "error:1234:x");

    const DWMException original(DWMErrorCode::SslError, "error:5678:y");
    const DWMException copy(original);
    EXPECT_EQ(copy.code(), DWMErrorCode::SslError);
    EXPECT_STREQ(copy.what(), "error:5678:y");
    EXPECT_NE(copy.what(), original.what()) << "the copy owns its own text";
}

// One family: whoever catches the core's exception sees the signature
// layer's too, with the same text.
TEST(DWMException, IsCaughtAsTheCoresException) {
    try {
        throw DWMException(DWMErrorCode::InvalidArguments);
    } catch (const nvr::MkvException& e) {
        EXPECT_EQ(e.code(), nvr::MkvErrorCode::Other);
        EXPECT_FALSE(e.position());
        EXPECT_STREQ(e.what(), "invalid arguments");
    }
}
