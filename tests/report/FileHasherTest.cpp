#include <gtest/gtest.h>

#include <regex>

#include "signature/FileHasher.h"
#include "signature/Sha256.h"
#include "support/TempFile.h"

TEST(FileHasher, HashesEveryByte) {
    const TempFile abc(ebml::bytesOf("abc"));
    const FileIdentity id = FileHasher(abc.path(), nullptr).finish();
    EXPECT_EQ(id.path, abc.path());
    EXPECT_EQ(id.sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(id.size, 3);
    EXPECT_TRUE(std::regex_match(id.modifiedUtc, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
    EXPECT_EQ(id.error, "");

    // Across the 1 MiB pieces, and with a piece sized to a small file, on
    // a thread of its own or (the small one) in finish().
    const ebml::Bytes big((size_t{1} << 20) + 7, 0x5A);
    const TempFile large(big);
    for (const auto where : {FileHasher::Where::Beside, FileHasher::Where::InFinishIfSmall}) {
        EXPECT_EQ(FileHasher(large.path(), nullptr, where).finish().sha256,
                  sha256Hex(big.data(), big.size()));
        EXPECT_EQ(FileHasher(abc.path(), nullptr, where).finish().sha256, id.sha256);
    }
}

TEST(FileHasher, UnreadableOrCancelledGivesAnError) {
    const FileIdentity missing = FileHasher("/nonexistent/x.mkv", nullptr).finish();
    EXPECT_EQ(missing.sha256, "");
    EXPECT_NE(missing.error.find("cannot open"), std::string::npos);
    EXPECT_EQ(FileHasher("/", nullptr).finish().error, "not a regular file (a directory)");

    const TempFile file(ebml::bytesOf("abc"));
    const std::atomic<bool> cancel{true};
    const FileIdentity cancelled = FileHasher(file.path(), &cancel).finish();
    EXPECT_EQ(cancelled.sha256, "");
    EXPECT_EQ(cancelled.error, "hashing was cancelled");
    // Gone without finish(): the thread ends and is joined.
    { FileHasher unused(file.path(), nullptr); }
}
