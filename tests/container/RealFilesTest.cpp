// Files written by two independent muxers (see tests/data/README), checked
// against what mkvinfo prints for them. Every offset below comes from
// `mkvinfo -a -P <file>`, which prints each element's absolute file offset
// ("at N"); seek and cue positions count from the segment's first payload
// byte instead, so "at" = segment dataOffset + position.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "container/MkvParser.h"

namespace {

// The parser is returned whole: every record points into its reader.
std::unique_ptr<nvr::MkvParser> parseFile(const std::string& name) {
    const std::string path = std::string(TELVAR_TEST_DATA) + "/" + name;
    try {
        auto parser = std::make_unique<nvr::MkvParser>(path.c_str());
        EXPECT_EQ(parser->parse(), 0);
        return parser;
    } catch (const nvr::MkvException& e) {
        // The reader's message carries no file name.
        throw std::runtime_error(path + ": " + e.what());
    }
}

struct ExpectedSeek {
    uint32_t id;
    int64_t position;
};

void expectSeeks(const nvr::MkvSegment& segment, const std::vector<ExpectedSeek>& expected) {
    ASSERT_EQ(segment.seekHeads.items.size(), 1u);
    const auto& entries = segment.seekHeads.items[0].items;
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].seekId, expected[i].id) << "entry " << i;
        EXPECT_EQ(entries[i].seekPosition, expected[i].position) << "entry " << i;
    }
}

const char* const kAllFiles[] = {"ffmpeg-mpeg4-pcm.mkv", "mkvmerge-h264-flac.mkv",
                                 "ffmpeg-vp8-opus.webm"};

}  // namespace

// --- ffmpeg-mpeg4-pcm.mkv --------------------------------------------------

TEST(FfmpegMatroska, HeaderAndSegmentInfo) {
    const auto parser = parseFile("ffmpeg-mpeg4-pcm.mkv");
    // mkvinfo: "+ EBML head at 0 size 40 data size 35" and its children.
    const nvr::MkvEBMLHeader& header = parser->ebmlHeader();
    EXPECT_EQ(header.dataSize, 35);
    EXPECT_EQ(header.ebmlVersion, 1u);
    EXPECT_EQ(header.ebmlReadVersion, 1u);
    EXPECT_EQ(header.ebmlMaxIdLength, 4u);
    EXPECT_EQ(header.ebmlMaxSizeLength, 8u);
    EXPECT_EQ(nvr::textOf(header.docType), "matroska");
    EXPECT_EQ(header.docTypeVersion, 4u);
    EXPECT_EQ(header.docTypeReadVersion, 2u);

    // mkvinfo: "+ Segment: size 26841 at 40 size 26853": an 8-byte size field.
    const nvr::MkvSegment& segment = parser->parsedSegment();
    EXPECT_EQ(segment.headerOffset, 40);
    EXPECT_EQ(segment.dataOffset, 52);
    EXPECT_EQ(segment.dataSize, 26841);

    // Reached directly and through the seek head: stored once.
    ASSERT_EQ(segment.infos.items.size(), 1u);
    const nvr::MkvSegmentInfo& info = segment.infos.items[0];
    EXPECT_EQ(info.headerOffset, 213);  // "Segment information at 213"
    EXPECT_EQ(info.timecodeScale, 1000000);
    EXPECT_EQ(nvr::textOf(info.muxingApp), "Lavf");
    EXPECT_EQ(nvr::textOf(info.writingApp), "Lavf");
    // "Duration: 00:00:01.000000000", in units of the 1 ms scale; 8-byte float.
    EXPECT_DOUBLE_EQ(info.duration, 1000.0);
    EXPECT_TRUE(info.segmentUid.empty());  // bitexact output has none
}

TEST(FfmpegMatroska, Tracks) {
    const auto parser = parseFile("ffmpeg-mpeg4-pcm.mkv");
    const nvr::MkvSegment& segment = parser->parsedSegment();
    ASSERT_EQ(segment.tracks.items.size(), 1u);
    EXPECT_EQ(segment.tracks.items[0].headerOffset, 256);  // "Tracks at 256"
    const auto& entries = segment.tracks.items[0].items;
    ASSERT_EQ(entries.size(), 2u);

    const nvr::MkvTrackEntry& video = entries[0];
    EXPECT_EQ(video.trackNumber, 1u);
    EXPECT_EQ(video.trackUid, 1);
    EXPECT_EQ(video.trackType, 1u);  // "Track type: video"
    EXPECT_FALSE(video.flagLacing);  // "Lacing flag: 0"
    EXPECT_EQ(nvr::textOf(video.language), "und");
    EXPECT_EQ(nvr::textOf(video.codecId), "V_MPEG4/ISO/ASP");
    EXPECT_EQ(video.media.pixelWidth(), 320u);
    EXPECT_EQ(video.media.pixelHeight(), 240u);

    const nvr::MkvTrackEntry& audio = entries[1];
    EXPECT_EQ(audio.trackNumber, 2u);
    EXPECT_EQ(audio.trackUid, 2);
    EXPECT_EQ(audio.trackType, 2u);  // "Track type: audio"
    EXPECT_EQ(nvr::textOf(audio.codecId), "A_PCM/INT/LIT");
    EXPECT_DOUBLE_EQ(audio.media.samplingFrequency(), 8000.0);  // 8-byte float
    EXPECT_EQ(audio.media.channels(), 1u);
    EXPECT_EQ(audio.media.bitDepth(), 16u);
}

TEST(FfmpegMatroska, SeekEntriesAndCues) {
    const auto parser = parseFile("ffmpeg-mpeg4-pcm.mkv");
    const nvr::MkvSegment& segment = parser->parsedSegment();
    // mkvinfo: "Seek ID: 0x15 0x49 0xa9 0x66 (KaxInfo) ... Seek position: 161" and so
    // on; the Tags entry is kept although the segment does not follow it.
    expectSeeks(segment,
                {{0x1549A966u, 161}, {0x1654AE6Bu, 204}, {0x1254C367u, 405}, {0x1C53BB6Bu, 26813}});

    // The Cues lie after the cluster and are reached only through the seek head.
    EXPECT_EQ(segment.cues.headerOffset, 26865);  // "Cues at 26865" = 52 + 26813
    ASSERT_EQ(segment.cues.items.size(), 1u);
    const nvr::MkvCuePoint& point = segment.cues.items[0];
    EXPECT_EQ(point.cueTime, 0);
    ASSERT_EQ(point.items.size(), 1u);
    EXPECT_EQ(point.items[0].cueTrack, 1u);
    // "Cue cluster position: 581"; "Cluster at 633" = 52 + 581.
    EXPECT_EQ(point.items[0].cueClusterPosition, 581);
    EXPECT_FALSE(segment.attachments.isValid());
}

// --- mkvmerge-h264-flac.mkv ------------------------------------------------

TEST(MkvmergeMatroska, HeaderAndSegmentInfo) {
    const auto parser = parseFile("mkvmerge-h264-flac.mkv");
    EXPECT_EQ(nvr::textOf(parser->ebmlHeader().docType), "matroska");
    EXPECT_EQ(parser->ebmlHeader().docTypeVersion, 4u);

    // "+ Segment: size 44664 at 40 size 44676".
    const nvr::MkvSegment& segment = parser->parsedSegment();
    EXPECT_EQ(segment.dataOffset, 52);
    EXPECT_EQ(segment.dataSize, 44664);

    ASSERT_EQ(segment.infos.items.size(), 1u);
    const nvr::MkvSegmentInfo& info = segment.infos.items[0];
    EXPECT_EQ(info.headerOffset, 4151);  // after a 4016-byte Void
    EXPECT_EQ(info.timecodeScale, 1000000);
    EXPECT_EQ(nvr::textOf(info.muxingApp), "libebml v1.4.4 + libmatroska v1.7.1");
    EXPECT_EQ(nvr::textOf(info.writingApp), "mkvmerge v74.0.0 ('You Oughta Know') 64-bit");
    // "Duration: 00:00:02.000000000", stored here as a 4-byte float.
    EXPECT_DOUBLE_EQ(info.duration, 2000.0);
    // "Segment UID: 0xe5 0xbb ... 0xe4": 16 bytes, kept with a terminating zero.
    const nvr::ByteBuffer uid = {0xe5, 0xbb, 0x19, 0x62, 0xaa, 0x27, 0x28, 0xf0, 0x47,
                                 0x31, 0xa6, 0xf8, 0x8b, 0x24, 0x1d, 0xe4, 0x00};
    EXPECT_EQ(info.segmentUid, uid);
}

TEST(MkvmergeMatroska, Tracks) {
    const auto parser = parseFile("mkvmerge-h264-flac.mkv");
    const nvr::MkvSegment& segment = parser->parsedSegment();
    ASSERT_EQ(segment.tracks.items.size(), 1u);
    EXPECT_EQ(segment.tracks.items[0].headerOffset, 4289);
    const auto& entries = segment.tracks.items[0].items;
    ASSERT_EQ(entries.size(), 2u);

    const nvr::MkvTrackEntry& video = entries[0];
    EXPECT_EQ(video.trackNumber, 1u);
    EXPECT_EQ(video.trackUid, 1);  // one-byte UID
    EXPECT_EQ(video.trackType, 1u);
    EXPECT_EQ(nvr::textOf(video.codecId), "V_MPEG4/ISO/AVC");
    EXPECT_EQ(nvr::textOf(video.name), "Camera");
    // mkvmerge leaves out the Language element for "eng", the format's
    // default, and writes only the BCP 47 form (0x22B59D, "en"). We apply no
    // defaults and must not mistake one ID for the other.
    EXPECT_TRUE(nvr::textOf(video.language).empty());
    EXPECT_EQ(video.media.pixelWidth(), 160u);
    EXPECT_EQ(video.media.pixelHeight(), 120u);
    EXPECT_EQ(video.media.displayWidth(), 160u);  // 4-byte values here
    EXPECT_EQ(video.media.displayHeight(), 120u);

    const nvr::MkvTrackEntry& audio = entries[1];
    EXPECT_EQ(audio.trackNumber, 2u);
    // "Track UID: 15408054308100405196" does not fit int64: kept bit for bit.
    EXPECT_EQ(static_cast<uint64_t>(audio.trackUid), 15408054308100405196ull);
    EXPECT_EQ(audio.trackType, 2u);
    EXPECT_EQ(nvr::textOf(audio.language), "ger");
    EXPECT_EQ(nvr::textOf(audio.codecId), "A_FLAC");             // after 8256 bytes of private data
    EXPECT_DOUBLE_EQ(audio.media.samplingFrequency(), 16000.0);  // 4-byte float
    EXPECT_EQ(audio.media.channels(), 2u);
    EXPECT_EQ(audio.media.bitDepth(), 16u);
}

TEST(MkvmergeMatroska, SeekEntriesAttachmentsAndCues) {
    const auto parser = parseFile("mkvmerge-h264-flac.mkv");
    const nvr::MkvSegment& segment = parser->parsedSegment();
    expectSeeks(segment, {{0x1549A966u, 4099},
                          {0x1654AE6Bu, 4237},
                          {0x1C53BB6Bu, 44564},
                          {0x1254C367u, 44586},
                          {0x1941A469u, 13837}});

    // "Attachments at 13889": before the cluster and named by the seek head,
    // loaded once.
    const nvr::MkvAttachment& attachments = segment.attachments;
    EXPECT_EQ(attachments.headerOffset, 13889);
    ASSERT_EQ(attachments.items.size(), 1u);
    const nvr::MkvAttachFile& file = attachments.items[0];
    EXPECT_EQ(nvr::textOf(file.fileName), "notes.txt");
    EXPECT_EQ(nvr::textOf(file.fileMimeType), "text/plain");
    EXPECT_TRUE(file.fileDescription.empty());
    // "File data: size 24 at 13924 size 27": a 3-byte header.
    EXPECT_EQ(file.fileDataOffset, 13927);
    EXPECT_EQ(file.fileDataSize, 24);
    EXPECT_EQ(file.fileUid, static_cast<uint32_t>(8641324728923666477ull));

    EXPECT_EQ(segment.cues.headerOffset, 44616);
    ASSERT_EQ(segment.cues.items.size(), 1u);
    ASSERT_EQ(segment.cues.items[0].items.size(), 1u);
    EXPECT_EQ(segment.cues.items[0].items[0].cueTrack, 1u);
    // "Cue cluster position: 13910"; "Cluster at 13962" = 52 + 13910.
    EXPECT_EQ(segment.cues.items[0].items[0].cueClusterPosition, 13910);
}

// --- ffmpeg-vp8-opus.webm --------------------------------------------------

TEST(FfmpegWebm, DocTypeIsStoredNotJudged) {
    const auto parser = parseFile("ffmpeg-vp8-opus.webm");
    EXPECT_EQ(nvr::textOf(parser->ebmlHeader().docType), "webm");
    EXPECT_EQ(parser->ebmlHeader().dataSize, 31);

    // "+ Segment: size 12279 at 36 size 12291".
    const nvr::MkvSegment& segment = parser->parsedSegment();
    EXPECT_EQ(segment.headerOffset, 36);
    EXPECT_EQ(segment.dataOffset, 48);
    ASSERT_EQ(segment.infos.items.size(), 1u);
    EXPECT_EQ(segment.infos.items[0].headerOffset, 209);
    EXPECT_EQ(segment.infos.items[0].timecodeScale, 1000000);
    EXPECT_DOUBLE_EQ(segment.infos.items[0].duration, 1008.0);  // "00:00:01.008000000"

    expectSeeks(segment,
                {{0x1549A966u, 161}, {0x1654AE6Bu, 198}, {0x1254C367u, 377}, {0x1C53BB6Bu, 12257}});
}

TEST(FfmpegWebm, TracksAndCues) {
    const auto parser = parseFile("ffmpeg-vp8-opus.webm");
    const nvr::MkvSegment& segment = parser->parsedSegment();
    ASSERT_EQ(segment.tracks.items.size(), 1u);
    const auto& entries = segment.tracks.items[0].items;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(nvr::textOf(entries[0].codecId), "V_VP8");
    EXPECT_EQ(entries[0].media.pixelWidth(), 176u);
    EXPECT_EQ(entries[0].media.pixelHeight(), 144u);
    // Codec delay and seek pre-roll come before the audio settings: skipped.
    EXPECT_EQ(nvr::textOf(entries[1].codecId), "A_OPUS");
    EXPECT_EQ(entries[1].trackType, 2u);
    EXPECT_DOUBLE_EQ(entries[1].media.samplingFrequency(), 48000.0);
    EXPECT_EQ(entries[1].media.channels(), 1u);

    ASSERT_EQ(segment.cues.items.size(), 1u);
    EXPECT_EQ(segment.cues.items[0].cueTime, 7);  // "Cue time: 00:00:00.007000000"
    ASSERT_EQ(segment.cues.items[0].items.size(), 1u);
    EXPECT_EQ(segment.cues.items[0].items[0].cueClusterPosition, 546);  // "Cluster at 594"
}

// --- all files ---------------------------------------------------------------

// Each seek entry must name the element at segment dataOffset + position; a
// reader that counted from the file start or the segment header would miss.
TEST(RealFiles, EverySeekEntryNamesTheElementAtItsTarget) {
    for (const char* name : kAllFiles) {
        SCOPED_TRACE(name);
        const auto parser = parseFile(name);
        const nvr::MkvSegment& segment = parser->parsedSegment();
        ASSERT_FALSE(segment.seekHeads.items.empty());
        for (const nvr::MkvSeek& seek : segment.seekHeads.items[0].items) {
            const nvr::MkvElement target(seek.reader, segment.dataOffset + seek.seekPosition);
            EXPECT_EQ(static_cast<uint32_t>(target.id), seek.seekId);
        }
        // The first cue points at a Cluster, by the same relative rule.
        ASSERT_FALSE(segment.cues.items.empty());
        ASSERT_FALSE(segment.cues.items[0].items.empty());
        const nvr::MkvElement cluster(
            segment.reader, segment.dataOffset + segment.cues.items[0].items[0].cueClusterPosition);
        EXPECT_EQ(cluster.id, 0x1F43B675);
    }
}

TEST(RealFiles, CarryNoRecorderTag) {
    for (const char* name : kAllFiles) {
        SCOPED_TRACE(name);
        const auto parser = parseFile(name);
        EXPECT_FALSE(parser->tag().isValid());
        EXPECT_TRUE(parser->tag().serialNumber.empty());
    }
}
