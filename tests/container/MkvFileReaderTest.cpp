#include <gtest/gtest.h>

#include "container/MkvFileReader.h"
#include "support/TempFile.h"

using nvr::MkvFileReader;

TEST(MkvFileReader, StatusValuesBeforeAndAfterOpen) {
    MkvFileReader reader;
    uint8_t byte = 0;
    EXPECT_EQ(reader.size(), -4);
    EXPECT_EQ(reader.read(0, 1, &byte), -4);
    EXPECT_EQ(reader.open(nullptr), nvr::ReaderStatus::InvalidArgument);
    EXPECT_EQ(reader.open("/nonexistent/dir/file.mkv"), nvr::ReaderStatus::CannotOpen);
    EXPECT_FALSE(reader.isOpen);

    const TempFile file({1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(reader.open(file.c_str()), nvr::ReaderStatus::Ok);
    EXPECT_TRUE(reader.isOpen);
    EXPECT_EQ(reader.size(), 8);
    // A second open keeps the first file.
    const TempFile other({9});
    EXPECT_EQ(reader.open(other.c_str()), nvr::ReaderStatus::AlreadyOpen);
    EXPECT_EQ(reader.size(), 8);

    reader.close();
    EXPECT_FALSE(reader.isOpen);
    EXPECT_EQ(reader.size(), -4);
    EXPECT_EQ(reader.open(other.c_str()), nvr::ReaderStatus::Ok);
    EXPECT_EQ(reader.size(), 1);
}

TEST(MkvFileReader, ReadsExactlyOrFails) {
    const TempFile file({10, 11, 12, 13, 14, 15, 16, 17});
    MkvFileReader reader;
    ASSERT_EQ(reader.open(file.c_str()), nvr::ReaderStatus::Ok);
    uint8_t buffer[8] = {};

    EXPECT_EQ(reader.read(2, 3, buffer), 3);
    EXPECT_EQ(buffer[0], 12);
    EXPECT_EQ(buffer[2], 14);
    EXPECT_EQ(reader.read(-1, 1, buffer), -2);
    EXPECT_EQ(reader.read(0, -1, buffer), -2);
    EXPECT_EQ(reader.read(100, 0, buffer), 0);  // zero length wins over the offset
    EXPECT_EQ(reader.read(8, 1, buffer), -6);
    EXPECT_EQ(reader.read(6, 4, buffer), -7);  // runs over the end: no partial data
    // A failed short read must not poison the stream for later reads.
    EXPECT_EQ(reader.read(7, 1, buffer), 1);
    EXPECT_EQ(buffer[0], 17);
}

TEST(MkvFileReader, ServesOffsetsAboveFourGiB) {
    // Sparse file: only the two marked pages take disk space.
    const TempFile file;
    const unsigned long long high = (5ull << 30) + 123;
    file.writeAt(high, {0xAB, 0xCD});
    file.writeAt(0, {0x01});

    MkvFileReader reader;
    ASSERT_EQ(reader.open(file.c_str()), nvr::ReaderStatus::Ok);
    EXPECT_EQ(reader.size(), static_cast<int64_t>(high + 2));
    uint8_t bytes[2] = {};
    ASSERT_EQ(reader.read(static_cast<int64_t>(high), 2, bytes), 2);
    EXPECT_EQ(bytes[0], 0xAB);
    EXPECT_EQ(bytes[1], 0xCD);
    EXPECT_EQ(reader.read(static_cast<int64_t>(high + 2), 1, bytes), -6);
}
