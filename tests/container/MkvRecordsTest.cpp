#include <gtest/gtest.h>

#include "container/MkvAttachment.h"
#include "container/MkvCue.h"
#include "container/MkvEBMLHeader.h"
#include "container/MkvSeekHead.h"
#include "container/MkvSegmentInfo.h"
#include "container/MkvTrack.h"
#include "support/ParsedElement.h"
#include "support/TempFile.h"

using namespace ebml;
using nvr::textOf;

TEST(EbmlHeaderRecord, ReadsFieldsAndRefusesOtherIds) {
    const ParsedElement<nvr::MkvEBMLHeader> header(ebmlHeader("webm"));
    EXPECT_EQ(header.record.ebmlVersion, 1u);
    EXPECT_EQ(header.record.ebmlMaxSizeLength, 8u);
    EXPECT_EQ(textOf(header.record.docType), "webm");
    EXPECT_EQ(header.record.docType.size(), 5u);  // text plus its zero byte
    EXPECT_EQ(header.record.docTypeReadVersion, 2u);

    try {
        const ParsedElement<nvr::MkvEBMLHeader> segment(
            encode({voidEl(4), el(0x18538067, {voidEl(3)})}), 4);
        FAIL();
    } catch (const nvr::MkvException& e) {
        EXPECT_STREQ(e.what(), "not an valid file @ 4");
    }
}

TEST(SegmentInfoRecord, NoDefaultsAndLastOccurrenceWins) {
    const ParsedElement<nvr::MkvSegmentInfo> info(
        el(0x1549A966,
           {strEl(0x4D80, "first"), floatEl(0x4489, 1234.5), strEl(0x5741, "writer"),
            strEl(0x4D80, "muxer"), float32El(0x4489, 2.5f), el(0x7BA9, bytesOf("title"))}));
    EXPECT_EQ(info.record.timecodeScale, 0);  // no TimecodeScale child, no format default
    EXPECT_EQ(textOf(info.record.muxingApp), "muxer");
    EXPECT_EQ(info.record.muxingApp.size(), 6u);
    EXPECT_EQ(textOf(info.record.writingApp), "writer");
    EXPECT_DOUBLE_EQ(info.record.duration, 2.5);

    const ParsedElement<nvr::MkvSegmentInfo> scaled(
        el(0x1549A966, {uintEl(0x2AD7B1, 1000000), el(0x4489, Bytes{1, 2})}));
    EXPECT_EQ(scaled.record.timecodeScale, 1000000);
    EXPECT_DOUBLE_EQ(scaled.record.duration, -1.0);  // neither 4 nor 8 bytes
}

TEST(SeekHeadRecord, KeepsEntriesWithIdAndPositiveOffset) {
    auto seek = [](uint64_t id, Bytes position) {
        return el(0x4DBB, {el(0x53AB, encodeId(id)), el(0x53AC, std::move(position))});
    };
    const ParsedElement<nvr::MkvSeekHead> head(
        el(0x114D9B74,
           {seek(0x1549A966, {0x10}), seek(0x1654AE6B, {0x00}), seek(0x134E5652, {0x01, 0x00}),
            seek(0x1C53BB6B, Bytes(8, 0xFF)), el(0x4DBB, {uintEl(0x53AC, 5)}), voidEl(3)}));
    ASSERT_EQ(head.record.items.size(), 2u);
    EXPECT_EQ(head.record.items[0].seekId, 0x1549A966u);
    EXPECT_EQ(head.record.items[0].seekPosition, 0x10);
    EXPECT_EQ(head.record.items[1].seekId, 0x134E5652u);
    EXPECT_EQ(head.record.items[1].seekPosition, 256);
}

TEST(TrackRecords, EntriesAndSharedMediaSettings) {
    const ParsedElement<nvr::MkvTrack> tracks(el(
        0x1654AE6B,
        {el(0xAE,
            {uintEl(0xD7, 1), uintEl(0x83, 1), strEl(0x86, "V_MPEG4/ISO/AVC"), uintEl(0xB9, 0, 1),
             el(0xE0, {uintEl(0xB0, 1280), uintEl(0xBA, 720), uintEl(0x54B0, 16)})}),
         voidEl(5),
         el(0xAE, {uintEl(0xD7, 2), strEl(0x86, "A_AAC"), strEl(0x22B59C, "eng"),
                   el(0xE1, {floatEl(0xB5, 48000.0), uintEl(0x9F, 2), uintEl(0x6264, 16)})}),
         el(0xAE, {el(0xE0, {uintEl(0xB0, 640)}), el(0xE1, {uintEl(0x9F, 6)})})}));
    const auto& items = tracks.record.items;
    ASSERT_EQ(items.size(), 3u);

    EXPECT_EQ(items[0].trackNumber, 1u);
    EXPECT_EQ(textOf(items[0].codecId), "V_MPEG4/ISO/AVC");
    EXPECT_FALSE(items[0].flagEnabled);
    EXPECT_FALSE(items[0].flagLacing);  // absent: no format default
    EXPECT_EQ(items[0].media.pixelWidth(), 1280u);
    EXPECT_EQ(items[0].media.pixelHeight(), 720u);

    EXPECT_EQ(textOf(items[1].language), "eng");
    EXPECT_DOUBLE_EQ(items[1].media.samplingFrequency(), 48000.0);
    EXPECT_EQ(items[1].media.channels(), 2u);
    EXPECT_EQ(items[1].media.displayWidth(), 2u);  // shares storage with channels
    EXPECT_EQ(items[1].media.bitDepth(), 16u);

    EXPECT_EQ(items[2].media.pixelWidth(), 640u);
    EXPECT_EQ(items[2].media.displayWidth(), 6u);  // the later audio child wrote here
}

TEST(CueRecords, TrackPositionsInFileOrder) {
    const ParsedElement<nvr::MkvCue> cues(
        el(0x1C53BB6B, {el(0xBB, {uintEl(0xB3, 42), el(0xB7, {voidEl(3)}), el(0xB7, {voidEl(3)})}),
                        el(0xBB, {el(0xB7, {uintEl(0xF7, 1), uintEl(0xF1, 4096)})})}));
    ASSERT_EQ(cues.record.items.size(), 2u);
    const auto& first = cues.record.items[0];
    EXPECT_EQ(first.cueTime, 42);
    ASSERT_EQ(first.items.size(), 2u);
    EXPECT_EQ(first.items[0].cueTrack, 0u);
    EXPECT_EQ(first.items[1].cueClusterPosition, 0);
    EXPECT_LT(first.items[0].headerOffset, first.items[1].headerOffset);
    EXPECT_EQ(cues.record.items[1].items[0].cueClusterPosition, 4096);
}

TEST(AttachmentRecords, FileDataIsLocatedNotRead) {
    // A 10 MiB attachment whose data is never touched: the reader serves
    // only the first bytes, and the parse must still succeed.
    const uint64_t dataSize = 10ull << 20;
    Bytes inner = encode({strEl(0x466E, "cam.jpg"), strEl(0x4660, "image/jpeg"),
                          uintEl(0x46AE, 0x1122334455667788ull)});
    const Bytes dataHeader =
        encode(el(0x465C, Bytes{}).withDeclaredSize(dataSize).withSizeWidth(4));
    inner.insert(inner.end(), dataHeader.begin(), dataHeader.end());
    // Headers declare the full sizes; only the bytes before the data exist.
    Bytes bytes = encode(raw(encodeId(0x1941A469)));
    const Bytes attached =
        encode(el(0x61A7, inner).withDeclaredSize(inner.size() + dataSize).withSizeWidth(8));
    const Bytes outerSize = encodeSize(attached.size() + dataSize, 8);
    bytes.insert(bytes.end(), outerSize.begin(), outerSize.end());
    bytes.insert(bytes.end(), attached.begin(), attached.end());

    const auto held = static_cast<int64_t>(bytes.size());
    nvr::MkvMemoryReader reader(bytes, held + static_cast<int64_t>(dataSize));
    nvr::MkvAttachment attachments(&reader, 0);
    attachments.parse();
    ASSERT_EQ(attachments.items.size(), 1u);
    const auto& attachedFile = attachments.items[0];
    EXPECT_EQ(textOf(attachedFile.fileName), "cam.jpg");
    EXPECT_EQ(textOf(attachedFile.fileMimeType), "image/jpeg");
    EXPECT_EQ(attachedFile.fileUid, 0x55667788u);  // low 32 bits
    EXPECT_EQ(attachedFile.fileDataSize, 10485760);
    EXPECT_EQ(attachedFile.fileDataOffset, held);
}

TEST(Records, CopiesAreDeep) {
    nvr::MkvTrack copy;
    {
        const ParsedElement<nvr::MkvTrack> tracks(
            el(0x1654AE6B, {el(0xAE, {strEl(0x536E, "Front door")})}));
        copy = tracks.record;
        EXPECT_EQ(copy.items[0].name.data() == tracks.record.items[0].name.data(), false);
    }
    EXPECT_EQ(textOf(copy.items[0].name), "Front door");
}
