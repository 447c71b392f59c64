#include <gtest/gtest.h>

#include <string>

#include "DemoFiles.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"
#include "video/FrameDecoder.h"

namespace {

nvr::video::ByteRange allClusters(const recorder::Recording& recording) {
    return {recording.clusters.front().headerOffset, recording.fileSize};
}

}  // namespace

// Suite names start in lower case so that `ctest -R video` selects them.
TEST(video, DemoRecordingsDecodeAsMade) {
    for (const char* name : {"authentic.mkv", "tampered.mkv", "unsigned.mkv"}) {
        const recorder::Recording& demo = DemoFiles::get()[name];
        const nvr::video::FileSource file(demo.path);
        const nvr::video::DecodeSummary summary =
            nvr::video::countPictures(file, headOf(demo), allClusters(demo));
        EXPECT_EQ(summary.failure, "") << name;
        EXPECT_EQ(summary.pictures, 60 * 25) << name;
        EXPECT_EQ(summary.width, 320) << name;
        EXPECT_EQ(summary.height, 240) << name;
    }
}

TEST(video, FirstPictureOfAClusterIsItsKeyframeScaledDown) {
    const recorder::Recording& demo = DemoFiles::get()["authentic.mkv"];
    const nvr::video::FileSource file(demo.path);
    const nvr::video::PictureResult result =
        nvr::video::firstPicture(file, headOf(demo), clusterOf(demo, 7));
    ASSERT_TRUE(result.picture) << result.reason;
    EXPECT_EQ(result.reason, "");
    const nvr::video::Picture& picture = *result.picture;
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
    const nvr::video::ByteRange last = clusterOf(demo, 59);
    EXPECT_TRUE(
        nvr::video::firstPicture(file, headOf(demo), {last.begin, last.end + 4096}).picture);
}

TEST(video, EveryLimitGivesAReasonInsteadOfAPicture) {
    const recorder::Recording& demo = DemoFiles::get()["authentic.mkv"];
    const nvr::video::FileSource file(demo.path);
    const auto reasonWith = [&](nvr::video::DecodeLimits limits, nvr::video::ByteRange head,
                                nvr::video::ByteRange body) {
        const nvr::video::PictureResult result = nvr::video::firstPicture(file, head, body, limits);
        EXPECT_FALSE(result.picture);
        return result.reason;
    };
    const nvr::video::ByteRange head = headOf(demo);
    const nvr::video::ByteRange body = clusterOf(demo, 3);
    nvr::video::DecodeLimits small;
    small.maxDimension = 200;
    EXPECT_EQ(reasonWith(small, head, body),
              "the video track's pictures are larger than this program decodes");
    nvr::video::DecodeLimits fewPixels;
    fewPixels.maxPixels = 320 * 239;
    EXPECT_EQ(reasonWith(fewPixels, head, body),
              "the video track's pictures are larger than this program decodes");
    nvr::video::DecodeLimits noTime;
    noTime.timeBudget = std::chrono::milliseconds(-1);
    EXPECT_EQ(reasonWith(noTime, head, body), "decoding took longer than the time allowed");
    nvr::video::DecodeLimits noPackets;
    noPackets.maxPackets = 0;
    EXPECT_EQ(reasonWith(noPackets, head, body), "decoding read more packets than allowed");
    nvr::video::DecodeLimits tinyHead;
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
    const nvr::video::FileSource source(file.path());
    const nvr::video::PictureResult result =
        nvr::video::firstPicture(source, headOf(written), clusterOf(written, 1));
    EXPECT_FALSE(result.picture);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(result.reason, "the cluster holds no keyframe of the video track");
}
