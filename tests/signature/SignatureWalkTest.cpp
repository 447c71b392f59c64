// The walk over real signed recordings written by the test recorder.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "container/MkvMemoryReader.h"
#include "container/MkvParser.h"
#include "signature/RecordingVerifier.h"
#include "signature/WalkEvidence.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

using recorder::RecorderOptions;
using recorder::SignatureParams;
using recorder::Tampering;

namespace {

struct Written {
    TempFile file;
    recorder::Recording recording;
};

std::unique_ptr<Written> record(const RecorderOptions& options) {
    auto written = std::make_unique<Written>();
    written->recording = recorder::writeRecording(written->file.path(), options);
    return written;
}

RecorderOptions withTampering(Tampering tampering, int clusters = 4) {
    RecorderOptions options;
    options.clusterCount = clusters;
    options.tampering.push_back(tampering);
    return options;
}

void collect(double fraction, void* context) {
    static_cast<std::vector<double>*>(context)->push_back(fraction);
}

}  // namespace

TEST(SignatureWalk, ValidChainsForEveryDigestAndTagKind) {
    for (const uint32_t tagKind : {recorder::kKindRsa, recorder::kKindHmac}) {
        for (uint32_t digest = 1; digest <= 4; ++digest) {
            RecorderOptions options;
            options.clusterCount = 3;
            options.tagSignature = {tagKind, digest};
            options.firstCluster = {recorder::kKindHmac, digest};
            options.laterClusters = {recorder::kKindHmac,
                                     5 - digest};  // digests may differ per cluster
            const auto written = record(options);
            const RecordingVerdict verdict = verifyRecording(written->file.path());
            EXPECT_EQ(verdict.code, VerdictCode::Success)
                << "tag kind " << tagKind << " digest " << digest << ": " << verdict.detail
                << verdict.errorText;
            EXPECT_EQ(verdict.serialNumber, "TLV-0001234");
            EXPECT_EQ(verdict.startTime, "2026-12-01 08:00:00");
            EXPECT_EQ(verdict.endTime, "2026-12-01 09:00:00");
            EXPECT_TRUE(verdict.detail.empty());
        }
    }
    // An RSA-signed first cluster uses the built-in public key too.
    RecorderOptions rsaFirst;
    rsaFirst.firstCluster = {recorder::kKindRsa, 4};
    EXPECT_EQ(verifyRecording(record(rsaFirst)->file.path()).code, VerdictCode::Success);
}

struct TamperCase {
    const char* name;
    Tampering tampering;
    int code;
    const char* detailOrError;  // expected part of the detail (1, 2) or error text (3)
};

void PrintTo(const TamperCase& c, std::ostream* out) {
    *out << c.name;
}

class TamperedWalk : public testing::TestWithParam<TamperCase> {};

TEST_P(TamperedWalk, EndsWithTheExpectedResult) {
    const TamperCase& c = GetParam();
    const auto written = record(withTampering(c.tampering));
    const RecordingVerdict verdict = verifyRecording(written->file.path());
    EXPECT_EQ(verdictNumber(verdict.code), c.code) << verdict.detail << verdict.errorText;
    const std::string& text =
        verdict.code == VerdictCode::Error ? verdict.errorText : verdict.detail;
    EXPECT_NE(text.find(c.detailOrError), std::string::npos) << text;
    if (verdict.code != VerdictCode::Success) {
        // Metadata only ever accompanies a success.
        EXPECT_TRUE(verdict.serialNumber.empty() && verdict.startTime.empty() &&
                    verdict.endTime.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Recorder, TamperedWalk,
    testing::Values(
        TamperCase{"FlippedClusterByte", Tampering::flipClusterByte(2), 1, "cluster 3 at offset"},
        TamperCase{"FlippedFirstSignedByte", Tampering::flipClusterByte(0, 0), 1,
                   "cluster 1 at offset"},
        TamperCase{"FlippedTagByte", Tampering::flipTagByte(), 1, "recorder tag at offset"},
        TamperCase{"Swapped", Tampering::swapClusters(1, 2), 1, "cluster 2 at offset"},
        TamperCase{"DroppedMiddle", Tampering::dropCluster(1), 1, "cluster 2 at offset"},
        TamperCase{"DroppedLast", Tampering::dropCluster(3), 1,
                   "does not end on the recorder tag's final value"},
        TamperCase{"InsertedForeign", Tampering::insertForeignCluster(2), 1, "cluster 3 at offset"},
        TamperCase{"AppendedForeign", Tampering::insertForeignCluster(4), 1, "cluster 5 at offset"},
        TamperCase{"Truncated", Tampering::truncateInLastCluster(), 3, "I/O error @ "},
        TamperCase{"WrongFinalValue", Tampering::wrongFinalSignature(), 1, "chain of 4 clusters"},
        TamperCase{"MissingTag", Tampering::missingTag(), 2, "no recorder tag"},
        TamperCase{"TagWithoutSerial", Tampering::tagWithoutSerial(), 2, "no serial number"},
        TamperCase{"SignatureLast", Tampering::signatureLast(1), 2,
                   "nothing follows its signature element"},
        TamperCase{"DecoyKindBeforeSignature", Tampering::decoyBeforeSignature(1), 0, ""},
        TamperCase{"ExtraValueByte", Tampering::extraValueByte(1), 1, "cluster 2 at offset"},
        TamperCase{"Unsigned", Tampering::unsignedRecording(), 2, "recorder tag at offset"}),
    [](const testing::TestParamInfo<TamperCase>& c) { return std::string(c.param.name); });

TEST(SignatureWalk, SignatureLayerErrorsBecomeContainerErrors) {
    for (const uint32_t digest : {0u, 5u}) {
        RecorderOptions badTag;
        badTag.tagSignature = {recorder::kKindHmac, digest};
        EXPECT_EQ(verifyRecording(record(badTag)->file.path()).errorText,
                  "Caught DWMException: invalid arguments");

        RecorderOptions badCluster;
        badCluster.firstCluster = {recorder::kKindRsa, digest};
        EXPECT_EQ(verifyRecording(record(badCluster)->file.path()).errorText,
                  "Caught DWMException: invalid arguments");
    }
    // RSA in a later cluster takes the previous value as a DER public key,
    // which an HMAC value is not.
    RecorderOptions rsaLater;
    rsaLater.clusterSignature[1] = {recorder::kKindRsa, 3};
    const RecordingVerdict verdict = verifyRecording(record(rsaLater)->file.path());
    EXPECT_EQ(verdict.code, VerdictCode::Error);
    EXPECT_EQ(verdict.errorText.rfind("Caught DWMException: ", 0), 0u) << verdict.errorText;
    EXPECT_GT(verdict.errorText.size(), std::string("Caught DWMException: ").size());
}

TEST(SignatureWalk, ProgressPerClusterStrictlyIncreasingBelowOne) {
    RecorderOptions options;
    options.clusterCount = 6;
    const auto written = record(options);
    std::vector<double> fractions;
    EXPECT_EQ(verifyRecording(written->file.path(), &collect, &fractions).code,
              VerdictCode::Success);
    const auto& r = written->recording;
    ASSERT_EQ(fractions.size(), r.clusters.size());
    for (size_t i = 0; i < fractions.size(); ++i) {
        EXPECT_DOUBLE_EQ(fractions[i],
                         static_cast<double>(r.clusters[i].headerOffset) / static_cast<double>(r.segmentEnd));
        EXPECT_LT(fractions[i], 1.0);
        if (i > 0) {
            EXPECT_GT(fractions[i], fractions[i - 1]);
        }
    }
    EXPECT_GT(fractions.front(), 0.0);

    // A failing first cluster still leaves every cluster checked and
    // reported, in the same form; a null callback is fine.
    std::vector<double> afterFailure;
    verifyRecording(record(withTampering(Tampering::flipClusterByte(0)))->file.path(), &collect,
                    &afterFailure);
    EXPECT_EQ(afterFailure.size(), 4u);
    EXPECT_TRUE(std::is_sorted(afterFailure.begin(), afterFailure.end()));
    EXPECT_EQ(verifyRecording(written->file.path(), nullptr, nullptr).code, VerdictCode::Success);
}

TEST(SignatureWalk, SignedRangeIsExactlyTheBytesAfterTheSignature) {
    // A cluster at 1000 with a payload of 5000 bytes: Timecode 1012-1014,
    // signature element from 1015, signed range 1058 to 6011.
    RecorderOptions options;
    options.clusterCount = 1;
    options.firstClusterAt = 1000;
    options.clusterPayloadSize = 5000;
    const auto written = record(options);
    const auto& cluster = written->recording.clusters.at(0);
    ASSERT_EQ(cluster.signedBegin, 1058);
    ASSERT_EQ(cluster.signedEnd, 6012);
    EXPECT_EQ(verifyRecording(written->file.path()).code, VerdictCode::Success);

    auto flipAt = [&](int64_t offset) {
        std::FILE* f = std::fopen(written->file.c_str(), "r+b");
        std::fseek(f, static_cast<long>(offset), SEEK_SET);
        const int byte = std::fgetc(f);
        std::fseek(f, static_cast<long>(offset), SEEK_SET);
        std::fputc(byte ^ 0x01, f);
        std::fclose(f);
    };
    // The Timecode's payload stands before the signature: not covered.
    flipAt(1014);
    EXPECT_EQ(verifyRecording(written->file.path()).code, VerdictCode::Success);
    flipAt(1014);
    for (const int64_t covered : {int64_t{1058}, int64_t{6011}}) {
        flipAt(covered);
        const RecordingVerdict verdict = verifyRecording(written->file.path());
        EXPECT_EQ(verdict.code, VerdictCode::Mismatch) << covered;
        EXPECT_NE(verdict.detail.find("over bytes 1058 to 6011"), std::string::npos)
            << verdict.detail;
        flipAt(covered);
    }
}

TEST(SignatureWalk, NoClustersNeedsNoFinalValue) {
    RecorderOptions options;
    options.clusterCount = 0;
    EXPECT_EQ(verifyRecording(record(options)->file.path()).code, VerdictCode::Success);
    options.tampering.push_back(Tampering::wrongFinalSignature());
    const RecordingVerdict named = verifyRecording(record(options)->file.path());
    EXPECT_EQ(named.code, VerdictCode::Mismatch);
    EXPECT_EQ(named.detail, "no cluster, but the recorder tag names a final value");
}

namespace {

// A byte source that fails a stretch of bulk reads, to exercise retries.
class FlakyReader : public nvr::MkvMemoryReader {
  public:
    FlakyReader(std::vector<uint8_t> data, int firstFailure, int failures)
        : MkvMemoryReader(std::move(data)), failFrom(firstFailure), failCount(failures) {}

    int32_t read(int64_t offset, int32_t length, uint8_t* buffer) override {
        if (length > 16) {  // header and integer reads stay reliable
            const int index = bulkReads++;
            if (index >= failFrom && index < failFrom + failCount) {
                lastFailedOffset = offset;
                return nvr::refused(nvr::ReaderStatus::IoFailed);
            }
        }
        return MkvMemoryReader::read(offset, length, buffer);
    }

    int failFrom;
    int failCount;
    int bulkReads = 0;
    int64_t lastFailedOffset = -1;
};

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::vector<uint8_t> bytes;
    int c = 0;
    while ((c = std::fgetc(f)) != EOF) {
        bytes.push_back(static_cast<uint8_t>(c));
    }
    std::fclose(f);
    return bytes;
}

}  // namespace

TEST(SignatureWalk, FiveFailedReadsAreToleratedTheSixthIsAnError) {
    RecorderOptions options;
    options.clusterCount = 2;
    const auto written = record(options);
    const std::vector<uint8_t> bytes = fileBytes(written->file.path());
    // The walk's first bulk read is the tag's signature value; the next
    // ones read the tag's signed range, all in one piece.
    for (const int failures : {5, 6}) {
        auto flaky =
            std::make_unique<FlakyReader>(bytes, std::numeric_limits<int>::max(), failures);
        FlakyReader* const source = flaky.get();
        nvr::MkvParser parser(std::move(flaky));
        parser.parse();
        source->bulkReads = 0;
        source->failFrom = 1;
        if (failures == 5) {
            EXPECT_EQ(parser.verifySignatures(nullptr, nullptr), VerifyWalkResult::Ok)
                << parser.verifyDetail();
        } else {
            try {
                parser.verifySignatures(nullptr, nullptr);
                FAIL() << "expected an I/O error";
            } catch (const nvr::MkvException& e) {
                EXPECT_EQ(e.code(), nvr::MkvErrorCode::Io);
                EXPECT_EQ(e.position(), source->lastFailedOffset);
                EXPECT_EQ(e.position(), written->recording.tag.signedBegin);
            }
        }
    }
}

TEST(SignatureWalk, UnparsedSegmentIsAMismatchAndCancelStops) {
    const auto written = record(RecorderOptions{});
    nvr::MkvParser unparsed(written->file.c_str());
    EXPECT_EQ(unparsed.verifySignatures(nullptr, nullptr), VerifyWalkResult::Mismatch);

    const std::atomic<bool> cancelled{true};
    const RecordingVerdict verdict =
        verifyRecording(written->file.path(), nullptr, nullptr, &cancelled);
    EXPECT_EQ(verdict.code, VerdictCode::Error);
    EXPECT_EQ(verdict.errorText, "verification cancelled");
}

TEST(RecordingVerifier, FilesThatCannotBeVerified) {
    EXPECT_EQ(verifyRecording("/nonexistent/x.mkv").errorText, "failed to open file");
    const TempFile empty;
    EXPECT_EQ(verifyRecording(empty.path()).errorText, "I/O error @ 0");
    // A directory opens but cannot be read like a file.
    const RecordingVerdict directory = verifyRecording("/tmp");
    EXPECT_EQ(directory.code, VerdictCode::Error);
    EXPECT_FALSE(directory.errorText.empty());
}
