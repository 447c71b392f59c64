#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "DemoFiles.h"
#include "support/DemoRecordings.h"
#include "support/TempFile.h"
#include "video/Filmstrip.h"

namespace {

std::vector<uint8_t> pictureAt(const recorder::Recording& recording, size_t cluster) {
    const nvr::video::FileSource file(recording.path);
    const nvr::video::PictureResult result =
        nvr::video::firstPicture(file, headOf(recording), clusterOf(recording, cluster));
    EXPECT_TRUE(result.picture) << result.reason;
    return result.picture ? result.picture->png : std::vector<uint8_t>();
}

std::vector<int64_t> clustersOf(const std::vector<nvr::video::FilmstripFrame>& frames) {
    std::vector<int64_t> numbers;
    for (const nvr::video::FilmstripFrame& frame : frames) {
        numbers.push_back(frame.cluster);
    }
    return numbers;
}

}  // namespace

// The altered seconds show the later seconds' pictures; the neighbours
// show their own. Only the one after is proven: nothing ties the clusters
// before the break to the tag, so that one is not called verified.
TEST(filmstrip, TamperedDemoShowsTheAlteredSeconds) {
    const recorder::Recording& authentic = DemoFiles::get()["authentic.mkv"];
    const recorder::Recording& tampered = DemoFiles::get()["tampered.mkv"];
    const int first = recorder::kAlteredFirst;
    const int last = first + recorder::kAlteredCount - 1;
    ExamineOptions keep;
    keep.keepClusters = true;
    const RecordingEvidence evidence = examineRecording(tampered.path, keep);
    ASSERT_EQ(evidence.verdict.code, VerdictCode::Mismatch);

    const std::vector<nvr::video::FilmstripFrame> frames =
        nvr::video::filmstrip(tampered.path, evidence);
    ASSERT_EQ(clustersOf(frames),
              (std::vector<int64_t>{first, first + 1, first + 2, last + 1, last + 2}));
    EXPECT_EQ(frames[0].label,
              "Cluster 14 · 00:00:13 (08:00:13 as stated) · links hold, not tied to the tag");
    EXPECT_FALSE(frames[0].verified);
    EXPECT_EQ(frames[1].label, "Cluster 15 · 00:00:14 (08:00:14 as stated) · failed");
    EXPECT_EQ(frames[1].wallClock, "2026-12-01 08:00:14");
    EXPECT_EQ(frames[4].label, "Cluster 18 · 00:00:17 (08:00:17 as stated) · verified");
    EXPECT_TRUE(frames[4].verified);
    for (const nvr::video::FilmstripFrame& frame : frames) {
        ASSERT_TRUE(frame.picture.picture) << frame.label << ": " << frame.picture.reason;
        const auto index = static_cast<size_t>(frame.cluster - 1);
        const std::vector<uint8_t>& png = frame.picture.picture->png;
        if (frame.status == ClusterStatus::Verified) {
            EXPECT_EQ(png, pictureAt(authentic, index)) << frame.label;
        } else {
            EXPECT_EQ(frame.status, ClusterStatus::Mismatch);
            EXPECT_NE(png, pictureAt(authentic, index)) << frame.label;
            EXPECT_EQ(png, pictureAt(authentic, index + recorder::kAlteredShift)) << frame.label;
        }
    }
    // A click on the failing span shows its start, with or without the cluster map.
    RecordingEvidence runsOnly = evidence;
    runsOnly.clusters.clear();
    const nvr::video::FileSource file(tampered.path);
    const nvr::video::PictureResult start =
        nvr::video::pictureAtRun(file, runsOnly, runsOnly.runs[1]);
    ASSERT_TRUE(start.picture) << start.reason;
    EXPECT_EQ(start.picture->png, frames[1].picture.picture->png);
}

TEST(filmstrip, ChoosesAroundTheFirstFailingRunWithinItsCap) {
    const recorder::Recording& authentic = DemoFiles::get()["authentic.mkv"];
    const auto chosen = [&authentic](int failFirst, int failLast, int cap) {
        return clustersOf(
            nvr::video::chooseFilmstrip(evidenceOf(authentic, failFirst, failLast), cap));
    };
    EXPECT_EQ(chosen(10, 29, 4), (std::vector<int64_t>{10, 11, 12, 13, 14, 31}));
    EXPECT_EQ(chosen(0, 1, 4), (std::vector<int64_t>{1, 2, 3}));
    EXPECT_EQ(chosen(58, 59, 1), (std::vector<int64_t>{58, 59}));
    EXPECT_EQ(chosen(-1, -1, 4), std::vector<int64_t>{});  // nothing failed

    RecordingEvidence twoRuns = evidenceOf(authentic, 5, 5);
    twoRuns.clusters[20].status = ClusterStatus::Mismatch;
    EXPECT_EQ(clustersOf(nvr::video::chooseFilmstrip(twoRuns)), (std::vector<int64_t>{5, 6, 7}));
    // Unsigned clusters fail a signed recording; an unsigned one has nothing to show.
    RecordingEvidence unsignedRun = evidenceOf(authentic, 5, 6);
    for (size_t i = 5; i <= 6; ++i) {
        unsignedRun.clusters[i].status = ClusterStatus::Unsigned;
    }
    unsignedRun.runs[1].status = ClusterStatus::Unsigned;
    EXPECT_EQ(clustersOf(nvr::video::chooseFilmstrip(unsignedRun)),
              (std::vector<int64_t>{5, 6, 7, 8}));
    unsignedRun.runs = {unsignedRun.runs[1]};
    EXPECT_TRUE(nvr::video::chooseFilmstrip(unsignedRun).empty());

    twoRuns.clusters.clear();  // walked without keeping the cluster map
    EXPECT_TRUE(nvr::video::chooseFilmstrip(twoRuns).empty());
}

// Frames that stand before a cluster's signature element are covered by
// nothing: they never become its picture.
TEST(filmstrip, FramesBeforeTheSignatureAreNeverShown) {
    const recorder::Recording& authentic = DemoFiles::get()["authentic.mkv"];
    RecordingEvidence evidence = evidenceOf(authentic, 5, 5);
    ClusterEntry& failing = evidence.clusters[5];
    failing.unsignedFrames = true;
    failing.signedStart = authentic.clusters[5].signedBegin;  // every frame follows it
    std::vector<nvr::video::FilmstripFrame> frames =
        nvr::video::filmstrip(authentic.path, evidence);
    ASSERT_EQ(clustersOf(frames), (std::vector<int64_t>{5, 6, 7}));
    ASSERT_TRUE(frames[1].picture.picture) << frames[1].picture.reason;

    failing.signedStart = authentic.clusters[5].endOffset;  // every frame stands before it
    frames = nvr::video::filmstrip(authentic.path, evidence);
    EXPECT_FALSE(frames[1].picture.picture);
    EXPECT_EQ(frames[1].picture.reason, "the cluster holds no keyframe of the video track");
    const nvr::video::FileSource file(authentic.path);
    EXPECT_FALSE(nvr::video::pictureAtRun(file, evidence, evidence.runs[1]).picture);
    EXPECT_TRUE(frames[0].picture.picture);  // its neighbours are untouched
}

// The pictures are read from the file the verdict was read from, and are
// dropped when its bytes changed since: they must not show other bytes.
TEST(filmstrip, PicturesOfAFileChangedSinceItsVerdictAreNotShown) {
    const recorder::Recording& tampered = DemoFiles::get()["tampered.mkv"];
    std::ifstream in(tampered.path, std::ios::binary);
    const TempFile file(ebml::Bytes(std::istreambuf_iterator<char>(in), {}));
    // An old modification time, which the rewrite moves on any file system.
    const timespec old[2] = {{978307200, 0}, {978307200, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), old, 0), 0);
    ExamineOptions keep;
    keep.keepClusters = true;
    keep.keepFile = true;
    const RecordingEvidence evidence = examineRecording(file.path(), keep);
    ASSERT_TRUE(evidence.file);
    std::vector<nvr::video::FilmstripFrame> frames =
        nvr::video::filmstrip(nvr::video::FileSource::of(evidence), evidence);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_TRUE(frames[0].picture.picture) << frames[0].picture.reason;

    file.writeAt(static_cast<unsigned long long>(tampered.clusters[0].signedEnd - 1), {0x00});
    frames = nvr::video::filmstrip(nvr::video::FileSource::of(evidence), evidence);
    ASSERT_EQ(frames.size(), 5u);
    for (const nvr::video::FilmstripFrame& frame : frames) {
        EXPECT_FALSE(frame.picture.picture) << frame.label;
        EXPECT_EQ(frame.picture.reason, "the file changed while it was verified");
    }
}

// Random frames under an H.264 track cannot be decoded; the frames say so,
// and nothing about the verdict moves.
TEST(filmstrip, UndecodableClustersGiveNoPictureAndLeaveTheVerdict) {
    TempFile file;
    recorder::RecorderOptions options;
    options.clusterCount = 4;
    options.tampering = {recorder::Tampering::flipClusterByte(1)};
    recorder::writeRecording(file.path(), options);
    ExamineOptions keep;
    keep.keepClusters = true;
    const RecordingEvidence evidence = examineRecording(file.path(), keep);
    ASSERT_EQ(evidence.verdict.code, VerdictCode::Mismatch);
    const RecordingVerdict before = evidence.verdict;

    const std::vector<nvr::video::FilmstripFrame> frames =
        nvr::video::filmstrip(file.path(), evidence);
    ASSERT_EQ(clustersOf(frames), (std::vector<int64_t>{1, 2, 3}));
    for (const nvr::video::FilmstripFrame& frame : frames) {
        EXPECT_FALSE(frame.picture.picture) << frame.label;
        EXPECT_EQ(frame.picture.reason, "the cluster holds no keyframe of the video track");
    }
    const RecordingVerdict after = examineRecording(file.path(), keep).verdict;
    EXPECT_EQ(after.code, before.code);
    EXPECT_EQ(after.detail, before.detail);

    const std::vector<nvr::video::FilmstripFrame> missing =
        nvr::video::filmstrip(file.path() + ".gone", evidence);
    ASSERT_EQ(missing.size(), 3u);
    EXPECT_EQ(missing[0].picture.reason, "the file cannot be opened: No such file or directory");
}
