#include <gtest/gtest.h>

#include <string>

#include "DemoFiles.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"
#include "video/FrameDecoder.h"

namespace {

video::ByteRange allClusters(const recorder::Recording& recording) {
    return {recording.clusters.front().headerOffset, recording.fileSize};
}

}  // namespace

// Suite names start in lower case so that `ctest -R video` selects them.
TEST(video, DemoRecordingsDecodeAsMade) {
    for (const char* name : {"authentic.mkv", "tampered.mkv", "unsigned.mkv"}) {
        const recorder::Recording& demo = DemoFiles::get()[name];
        const video::FileSource file(demo.path);
        const video::DecodeSummary summary =
            video::countPictures(file, headOf(demo), allClusters(demo));
        EXPECT_EQ(summary.failure, "") << name;
        EXPECT_EQ(summary.pictures, 60 * 25) << name;
        EXPECT_EQ(summary.width, 320) << name;
        EXPECT_EQ(summary.height, 240) << name;
    }
}

TEST(video, FirstPictureOfAClusterIsItsKeyframeScaledDown) {
    const recorder::Recording& demo = DemoFiles::get()["authentic.mkv"];
    const video::FileSource file(demo.path);
    const video::PictureResult result = video::firstPicture(file, headOf(demo), clusterOf(demo, 7));
    ASSERT_TRUE(result.picture) << result.reason;
    EXPECT_EQ(result.reason, "");
    const video::Picture& picture = *result.picture;
    EXPECT_EQ(picture.width, 160);
    EXPECT_EQ(picture.height, 120);
    EXPECT_EQ(picture.sourceWidth, 320);
    EXPECT_EQ(picture.sourceHeight, 240);
    ASSERT_TRUE(picture.seconds);
    EXPECT_DOUBLE_EQ(*picture.seconds, 7.0);
    EXPECT_FALSE(picture.damaged);
    ASSERT_GT(picture.png.size(), 8u);
    EXPECT_EQ(std::string(picture.png.begin() + 1, picture.png.begin() + 4), "PNG");

    // A cluster that claims more than the file holds still shows its start.
    const video::ByteRange last = clusterOf(demo, 59);
    EXPECT_TRUE(video::firstPicture(file, headOf(demo), {last.begin, last.end + 4096}).picture);
}

TEST(video, EveryLimitGivesAReasonInsteadOfAPicture) {
    const recorder::Recording& demo = DemoFiles::get()["authentic.mkv"];
    const video::FileSource file(demo.path);
    const auto reasonWith = [&](video::DecodeLimits limits, video::ByteRange head,
                                video::ByteRange body) {
        const video::PictureResult result = video::firstPicture(file, head, body, limits);
        EXPECT_FALSE(result.picture);
        return result.reason;
    };
    const video::ByteRange head = headOf(demo);
    const video::ByteRange body = clusterOf(demo, 3);
    video::DecodeLimits small;
    small.maxDimension = 200;
    EXPECT_EQ(reasonWith(small, head, body),
              "the video track's pictures are larger than this program decodes");
    video::DecodeLimits fewPixels;
    fewPixels.maxPixels = 320 * 239;
    EXPECT_EQ(reasonWith(fewPixels, head, body),
              "the video track's pictures are larger than this program decodes");
    video::DecodeLimits noTime;
    noTime.timeBudget = std::chrono::milliseconds(-1);
    EXPECT_EQ(reasonWith(noTime, head, body), "decoding took longer than the time allowed");
    video::DecodeLimits noPackets;
    noPackets.maxPackets = 0;
    EXPECT_EQ(reasonWith(noPackets, head, body), "decoding read more packets than allowed");
    video::DecodeLimits tinyHead;
    tinyHead.maxHeadBytes = 100;
    EXPECT_EQ(reasonWith(tinyHead, head, body),
              "the file's header is larger than this program decodes");
    EXPECT_EQ(reasonWith({}, {0, 0}, body), "the file has no header before its clusters");
    EXPECT_EQ(reasonWith({}, head, {demo.fileSize, demo.fileSize + 10}),
              "the cluster lies outside the file");
    // Bytes that do not start a cluster never reach the demuxer.
    EXPECT_EQ(reasonWith({}, head, {body.begin + 100, body.end}),
              "no cluster starts at that offset");
}

// Random bytes under an H.264 track: the synthetic recordings' frames.
TEST(video, UndecodableFramesGiveNoPicture) {
    TempFile file;
    recorder::RecorderOptions options;
    options.clusterCount = 2;
    options.blockSize = 4096;
    const recorder::Recording written = recorder::writeRecording(file.path(), options);
    const video::FileSource source(file.path());
    const video::PictureResult result =
        video::firstPicture(source, headOf(written), clusterOf(written, 1));
    EXPECT_FALSE(result.picture);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(result.reason, "the cluster holds no keyframe of the video track");
}
