// A byte source that fails or shrinks while a recording is verified: the
// walk tolerates five failed reads per signed range, and a file that breaks
// for good ends with an error, never with a pass.
#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>

#include "container/MkvMemoryReader.h"
#include "container/MkvParser.h"
#include "hostile/HostileFiles.h"
#include "signature/WalkEvidence.h"
#include "support/TempFile.h"

using hostile::Outcome;
using hostile::Recorded;
using nvr::ReadFailureSchedule;

namespace {

// Bulk reads only: signature values and signed data, not headers.
constexpr int32_t kBulk = 17;

struct Walk {
    Outcome outcome;
    int64_t failedReads = 0;
};

// Parses `bytes` undisturbed, then walks them with `schedule` in force.
Walk walkWith(const Recorded& rec, ReadFailureSchedule schedule) {
    auto owned = std::make_unique<nvr::MkvMemoryReader>(rec.bytes);
    nvr::MkvMemoryReader* const source = owned.get();
    nvr::MkvParser parser(std::move(owned));
    parser.parse();
    source->setSchedule(std::move(schedule));
    Walk walk;
    try {
        walk.outcome.result = parser.verifySignatures(nullptr, nullptr);
        walk.outcome.text = parser.verifyDetail();
    } catch (const nvr::MkvException& e) {
        walk.outcome.threw = true;
        walk.outcome.code = e.code();
        walk.outcome.position = e.position();
        walk.outcome.text = e.what();
    }
    walk.failedReads = source->readsFailed();
    return walk;
}

Recorded threeClusters() {
    recorder::RecorderOptions options = hostile::smallRecording();
    options.clusterCount = 3;
    return hostile::record(options);
}

}  // namespace

TEST(ReadFaults, FiveFailuresAreToleratedInEverySignedRange) {
    const Recorded rec = threeClusters();
    // `failures` at the start of the tag's range and of each cluster's.
    const auto schedule = [&rec](const std::vector<int64_t>& failures) {
        ReadFailureSchedule s;
        s.minLength = kBulk;
        s.failAt(rec.layout.tag.signedBegin, failures[0]);
        for (size_t i = 0; i < rec.layout.clusters.size(); ++i) {
            s.failAt(rec.layout.clusters[i].signedBegin, failures[i + 1]);
        }
        return s;
    };
    const Walk walk = walkWith(rec, schedule({5, 5, 5, 5}));
    EXPECT_TRUE(walk.outcome.passed()) << walk.outcome.text;
    EXPECT_EQ(walk.failedReads, 20);

    // The sixth failure in any one range ends the walk at that range.
    const int64_t second = rec.layout.clusters[1].signedBegin;
    const Walk broken = walkWith(rec, schedule({5, 5, 6, 5}));
    ASSERT_TRUE(broken.outcome.threw) << broken.outcome.text;
    EXPECT_EQ(broken.outcome.code, nvr::MkvErrorCode::Io);
    EXPECT_EQ(broken.outcome.text, "I/O error @ " + std::to_string(second));
}

TEST(ReadFaults, FailuresAcrossOneRangeShareItsBudget) {
    // A cluster of three pieces: failures spread over its pieces add up.
    recorder::RecorderOptions options = hostile::smallRecording();
    options.clusterCount = 1;
    options.blocksPerCluster = 3;
    options.clusterPayloadSize = 700 * 1024;
    const Recorded rec = hostile::record(options);
    const int64_t first = rec.layout.clusters[0].signedBegin;
    const int64_t second = first + kReadChunkSize;
    const int64_t third = second + kReadChunkSize;
    ASSERT_GT(rec.layout.clusters[0].signedEnd, third);

    ReadFailureSchedule five;
    five.minLength = kBulk;
    five.failAt(first, 2).failAt(second, 2).failAt(third, 1);
    EXPECT_TRUE(walkWith(rec, five).outcome.passed());

    ReadFailureSchedule six;
    six.minLength = kBulk;
    six.failAt(first, 2).failAt(second, 2).failAt(third, 2);
    const Walk broken = walkWith(rec, six);
    ASSERT_TRUE(broken.outcome.threw);
    EXPECT_EQ(broken.outcome.text, "I/O error @ " + std::to_string(third));
}

TEST(ReadFaults, AFileThatShrinksWhileVerifiedIsAnError) {
    const Recorded rec = threeClusters();
    const std::vector<int64_t> cuts = {
        rec.layout.tag.endOffset,             // before every cluster
        rec.layout.clusters[1].headerOffset,  // at a cluster's start
        (rec.layout.clusters[1].signedBegin + rec.layout.clusters[1].endOffset) /
            2,                                       // inside its range
        static_cast<int64_t>(rec.bytes.size()) - 1,  // its last byte
    };
    for (const int64_t cut : cuts) {
        // Cut before the walk's first read, and after some of them.
        for (const int64_t atRead : {0, 3}) {
            SCOPED_TRACE("cut at " + std::to_string(cut) + " from read " + std::to_string(atRead));
            const Walk walk = walkWith(rec, ReadFailureSchedule::shrinking(atRead, cut));
            ASSERT_TRUE(walk.outcome.threw) << walk.outcome.text;
            EXPECT_TRUE(walk.outcome.code == nvr::MkvErrorCode::Io ||
                        walk.outcome.code == nvr::MkvErrorCode::BadEbmlId ||
                        walk.outcome.code == nvr::MkvErrorCode::BadEbmlDataSize)
                << walk.outcome.text;
        }
    }
}

TEST(ReadFaults, ARealFileTruncatedAfterParsingIsAnError) {
    // Clusters larger than the file reader's read-ahead, so the walk has to
    // go back to the file for what was cut.
    recorder::RecorderOptions options = hostile::smallRecording();
    options.clusterPayloadSize = 256 * 1024;
    const TempFile file;
    const recorder::Recording rec = recorder::writeRecording(file.path(), options);
    nvr::MkvParser parser(file.c_str());
    parser.parse();
    const int64_t cut = (rec.clusters[1].signedBegin + rec.clusters[1].endOffset) / 2;
    ASSERT_EQ(::truncate(file.c_str(), cut), 0);
    try {
        parser.verifySignatures(nullptr, nullptr);
        FAIL() << "a cut file verified";
    } catch (const nvr::MkvException& e) {
        EXPECT_EQ(e.code(), nvr::MkvErrorCode::Io);
        EXPECT_EQ(e.position(), rec.clusters[1].signedBegin);
    }
}

TEST(ReadFaults, NoFailedReadMakesAForgedRecordingPass) {
    // One byte changed in the last cluster. Fail each bulk read of the walk
    // in turn, once and for good, and cut the file at each read: the
    // verdict may change, but never to a pass.
    recorder::RecorderOptions options = hostile::smallRecording();
    options.clusterCount = 3;
    options.tampering.push_back(recorder::Tampering::flipClusterByte(2));
    const Recorded rec = hostile::record(options);
    ASSERT_EQ(hostile::verifyBytes(rec.bytes).result, VerifyWalkResult::Mismatch);
    const int64_t reads = [&rec] {
        auto owned = std::make_unique<nvr::MkvMemoryReader>(rec.bytes);
        nvr::MkvMemoryReader* const source = owned.get();
        nvr::MkvParser parser(std::move(owned));
        parser.parse();
        source->setSchedule({});
        parser.verifySignatures(nullptr, nullptr);
        return source->readsNumbered();
    }();
    ASSERT_GT(reads, 10);
    for (int64_t read = 0; read < reads; ++read) {
        SCOPED_TRACE("read " + std::to_string(read));
        EXPECT_FALSE(walkWith(rec, ReadFailureSchedule::failing(read, 1, kBulk)).outcome.passed());
        EXPECT_FALSE(
            walkWith(rec, ReadFailureSchedule::failing(read, 1'000'000, kBulk)).outcome.passed());
        EXPECT_FALSE(walkWith(rec, ReadFailureSchedule::failing(read, 1'000'000)).outcome.passed());
        EXPECT_FALSE(
            walkWith(rec, ReadFailureSchedule::shrinking(read, rec.layout.clusters[1].endOffset))
                .outcome.passed());
    }
}
