// The frame index against FFmpeg's own demuxer and decoder: the same
// packets in the same order at the same bytes, and the exact picture of any
// frame, reached forwards or backwards, on a clip with B-frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "DemoFiles.h"
#include "EncodedClip.h"
#include "signature/Sha256.h"
#include "support/DemoRecordings.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"
#include "video/FrameIndexReader.h"
#include "video/FrameSeeker.h"

using nvr::FrameEntry;
using nvr::FrameIndex;
using nvr::video::FileSource;

namespace {

RecordingEvidence examineIndexed(const std::string& path) {
    ExamineOptions options;
    options.keepClusters = true;
    options.fileHash = false;
    return examineRecording(path, options);
}

FrameIndex indexOf(const std::string& path) {
    return nvr::video::readFrameIndex(FileSource(path), examineIndexed(path));
}

// A signed recording (RSA tag) carrying an encoded clip with B-frames.
class BFrameRecording : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        clip = std::make_unique<TempFile>();
        writeEncodedClip(clip->path(), ClipShape{});
        file = std::make_unique<TempFile>();
        recorder::RecorderOptions options;
        options.sourceClip = clip->path();
        options.endTime = "2026-12-01 08:00:03";
        options.tagSignature = {recorder::kKindRsa, 3};
        recorder::writeRecording(file->path(), options);
    }
    static void TearDownTestSuite() {
        file.reset();
        clip.reset();
    }
    static std::unique_ptr<TempFile> clip;
    static std::unique_ptr<TempFile> file;
};
std::unique_ptr<TempFile> BFrameRecording::clip;
std::unique_ptr<TempFile> BFrameRecording::file;

void expectAgreesWithDemuxer(const std::string& path) {
    const FrameIndex index = indexOf(path);
    EXPECT_EQ(index.error, "") << path;
    const std::vector<DemuxerPacket> packets = demuxedVideo(path);
    ASSERT_EQ(index.frames.size(), packets.size()) << path;
    for (size_t d = 0; d < packets.size(); ++d) {
        const FrameEntry& entry = *index.find(index.byDecodeOrder[d]);
        EXPECT_EQ(entry.decodeOrder, static_cast<int64_t>(d) + 1);
        EXPECT_EQ(entry.pts, packets[d].pts) << path << " packet " << d;
        EXPECT_EQ(entry.offset, packets[d].pos) << path << " packet " << d;
        EXPECT_EQ(entry.size, packets[d].size) << path << " packet " << d;
        EXPECT_EQ(entry.keyframe, packets[d].keyframe) << path << " packet " << d;
    }
    for (size_t n = 1; n < index.frames.size(); ++n) {
        EXPECT_LE(index.frames[n - 1].pts, index.frames[n].pts);
    }
}

}  // namespace

TEST_F(BFrameRecording, IndexAgreesWithTheDemuxer) {
    expectAgreesWithDemuxer(file->path());
    for (const char* name : {"authentic.mkv", "tampered.mkv"}) {
        expectAgreesWithDemuxer(DemoFiles::get()[name].path);
    }
    // The clip does have packets out of presentation order.
    const FrameIndex index = indexOf(file->path());
    EXPECT_TRUE(std::any_of(index.frames.begin(), index.frames.end(),
                            [](const FrameEntry& e) { return e.frame != e.decodeOrder; }));
    EXPECT_TRUE(std::all_of(index.frames.begin(), index.frames.end(), [](const FrameEntry& e) {
        return e.standing == ClusterStanding::Proven && !e.dependsOn;
    }));
}

TEST_F(BFrameRecording, SeekGivesTheExactFrameEitherWay) {
    const FrameIndex index = indexOf(file->path());
    ASSERT_EQ(index.frames.size(), 75u);
    const std::map<int64_t, std::string> straight = decodedPictures(file->path());
    ASSERT_EQ(straight.size(), index.frames.size());

    FileSource source(file->path());
    nvr::video::SeekOptions options;
    options.arithmetic = nvr::video::Arithmetic::Exact;
    nvr::video::FrameSeeker seeker(source, index,
                                   nvr::video::headOf(examineIndexed(file->path()), source.size()),
                                   options);
    std::mt19937 random(29);
    std::vector<int64_t> order = {75, 1, 26, 25, 24, 50, 49, 2, 74};
    for (int i = 0; i < 12; ++i) {
        order.push_back(std::uniform_int_distribution<int64_t>(1, 75)(random));
    }
    for (const int64_t n : order) {
        SCOPED_TRACE(n);
        const nvr::video::FramePicture shown = seeker.picture(n);
        ASSERT_TRUE(shown.picture) << "frame " << n << ": " << shown.reason;
        EXPECT_EQ(shown.pts, index.find(n)->pts) << "frame " << n;
        EXPECT_EQ(sha256Hex(shown.picture->rgb.data(), shown.picture->rgb.size()),
                  straight.at(shown.pts))
            << "frame " << n;
    }
    // Once a frame is shown, the one before it is at hand and the one after
    // it is a step of the decoder, not a new start.
    ASSERT_TRUE(seeker.picture(40).picture);
    ASSERT_TRUE(seeker.picture(39).picture);
    EXPECT_TRUE(seeker.lastCost().fromCache);
    ASSERT_TRUE(seeker.picture(41).picture);
    EXPECT_FALSE(seeker.lastCost().newStart);
    EXPECT_FALSE(seeker.picture(76).picture);
    EXPECT_FALSE(seeker.picture(0).picture);
}

// The seconds overwritten in the tampered demo are failing frames; the
// proven clusters after them give proven frames again from their keyframe.
TEST(FrameIndexOfDemo, ReplacedSecondsAreFailingFrames) {
    const FrameIndex index = indexOf(DemoFiles::get()["tampered.mkv"].path);
    ASSERT_EQ(index.error, "");
    const int64_t firstAltered = recorder::kAlteredFirst + 1;  // cluster numbers count from 1
    const int64_t lastAltered = firstAltered + recorder::kAlteredCount - 1;
    int failing = 0;
    for (const FrameEntry& entry : index.frames) {
        ASSERT_TRUE(entry.cluster);
        if (*entry.cluster >= firstAltered && *entry.cluster <= lastAltered) {
            EXPECT_EQ(entry.standing, ClusterStanding::Failing) << entry.frame;
            const std::string stated = index.statedTime(entry);
            EXPECT_GE(stated, "2026-12-01 08:00:14.000") << entry.frame;
            EXPECT_LT(stated, "2026-12-01 08:00:17.000") << entry.frame;
            ++failing;
        } else if (*entry.cluster > lastAltered) {
            EXPECT_EQ(entry.standing, ClusterStanding::Proven) << entry.frame;
        } else {
            EXPECT_EQ(entry.standing, ClusterStanding::LinkHolds) << entry.frame;
        }
    }
    EXPECT_EQ(failing, 25 * recorder::kAlteredCount);
}
