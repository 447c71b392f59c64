// The evidence behind a verdict: the map of every cluster, the findings
// that tell tamperings apart, times, coverage.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <algorithm>

#include "signature/RecordingEvidence.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

using recorder::RecorderOptions;
using recorder::Tampering;

namespace {

RecordingEvidence examineEvidence(const RecorderOptions& options,
                          const recorder::RecorderKeys& keys = recorder::RecorderKeys::defaults(),
                          recorder::Recording* written = nullptr) {
    const TempFile file;
    const recorder::Recording recording = recorder::writeRecording(file.path(), options, keys);
    if (written != nullptr) {
        *written = recording;
    }
    ExamineOptions examineOptions;
    examineOptions.keepClusters = true;
    examineOptions.fileHash = false;
    return examineRecording(file.path(), examineOptions);
}

RecorderOptions tampered(std::vector<Tampering> tampering, uint32_t tagKind = recorder::kKindRsa) {
    RecorderOptions options;
    options.clusterCount = 8;
    options.tagSignature = {tagKind, 3};
    options.tampering = std::move(tampering);
    return options;
}

const Finding* findingOf(const RecordingEvidence& evidence, const std::string& code) {
    for (const Finding& finding : evidence.findings) {
        if (findingCodeName(finding.code) == code) {
            return &finding;
        }
    }
    return nullptr;
}

std::string evidenceCodes(const RecordingEvidence& evidence) {
    std::string all;
    for (const Finding& finding : evidence.findings) {
        all += std::string(findingCodeName(finding.code)) + " ";
    }
    return all;
}

}  // namespace

struct FindingCase {
    const char* name;
    std::vector<Tampering> tampering;
    uint32_t tagKind;
    const char* code;
    int64_t firstCluster;  // of that finding; 0 not about clusters
};

void PrintTo(const FindingCase& c, std::ostream* out) {
    *out << c.name;
}

class Findings : public testing::TestWithParam<FindingCase> {};

TEST_P(Findings, NameWhatHappened) {
    const FindingCase& c = GetParam();
    const RecordingEvidence evidence = examineEvidence(tampered(c.tampering, c.tagKind));
    const Finding* const finding = findingOf(evidence, c.code);
    ASSERT_NE(finding, nullptr) << evidenceCodes(evidence);
    EXPECT_EQ(finding->firstCluster, c.firstCluster) << finding->text;
    EXPECT_FALSE(finding->text.empty());
    EXPECT_NE(evidence.verdict.code, VerdictCode::Success);
}

INSTANTIATE_TEST_SUITE_P(
    Recorder, Findings,
    testing::Values(
        FindingCase{"ContentAltered", {Tampering::flipClusterByte(3)}, 1, "chain-break", 4},
        FindingCase{"Swapped", {Tampering::swapClusters(2, 3)}, 1, "cluster-moved", 3},
        FindingCase{
            "InsertedForeign", {Tampering::insertForeignCluster(3)}, 1, "cluster-inserted", 4},
        // The genuine first cluster holds under the built-in key and is proven:
        // the one before it is the stranger.
        FindingCase{
            "SplicedForeign", {Tampering::insertForeignCluster(0)}, 1, "cluster-inserted", 1},
        FindingCase{"ForeignInPlaceOfOne",
                    {Tampering::insertForeignCluster(3), Tampering::dropCluster(3)},
                    1,
                    "cluster-spliced",
                    4},
        FindingCase{"Removed", {Tampering::dropCluster(3)}, 1, "cluster-removed", 4},
        FindingCase{"CutShort", {Tampering::truncateInLastCluster()}, 1, "recording-truncated", 0},
        FindingCase{"LastDropped", {Tampering::dropCluster(7)}, 1, "chain-end-mismatch", 0},
        FindingCase{"Appended", {Tampering::insertForeignCluster(8)}, 1, "clusters-appended", 9},
        FindingCase{"RsaTagAltered", {Tampering::flipTagByte()}, 1, "tag-altered", 0},
        FindingCase{"HmacTagAltered", {Tampering::flipTagByte()}, 2, "tag-mismatch", 0},
        FindingCase{"NoTag", {Tampering::missingTag()}, 1, "tag-missing", 0},
        FindingCase{"NoSerial", {Tampering::tagWithoutSerial()}, 1, "tag-no-serial", 0},
        FindingCase{"Unsigned", {Tampering::unsignedRecording()}, 1, "recording-unsigned", 0},
        FindingCase{"UnsignedCluster", {Tampering::signatureLast(5)}, 1, "cluster-unsigned", 6},
        FindingCase{"ValueLonger", {Tampering::extraValueByte(2)}, 1, "chain-break", 3},
        FindingCase{"ValueShorter", {Tampering::shortValueByte(2)}, 1, "chain-break", 3}),
    [](const testing::TestParamInfo<FindingCase>& c) { return std::string(c.param.name); });

// The verdicts as they were before the walk mapped the whole chain: the
// first failure in file order decides code, description and error text.
TEST(Evidence, VerdictsAreThoseOfTheWalkThatStoppedAtTheFirstFailure) {
    struct Case {
        std::vector<Tampering> tampering;
        uint32_t tagKind;
        int code;
        const char* detail;
        const char* error;
    };
    const Case cases[] = {
        {{}, 1, 0, "", ""},
        {{}, 2, 0, "", ""},
        {{Tampering::flipClusterByte(2)},
         1,
         1,
         "cluster 3 at offset 8990: HMAC (SHA-256) over bytes 9049 to 13180 does not match",
         ""},
        {{Tampering::flipClusterByte(2)},
         2,
         1,
         "cluster 3 at offset 8764: HMAC (SHA-256) over bytes 8823 to 12954 does not match",
         ""},
        {{Tampering::flipClusterByte(0, 0)},
         1,
         1,
         "cluster 1 at offset 609: HMAC (SHA-256) over bytes 667 to 4798 does not match",
         ""},
        {{Tampering::flipClusterByte(0, 0)},
         2,
         1,
         "cluster 1 at offset 383: HMAC (SHA-256) over bytes 441 to 4572 does not match",
         ""},
        {{Tampering::flipTagByte()},
         1,
         1,
         "recorder tag at offset 233: RSA signature (SHA-256) over bytes 508 to 608 does not match",
         ""},
        {{Tampering::flipTagByte()},
         2,
         1,
         "recorder tag at offset 233: HMAC (SHA-256) over bytes 282 to 382 does not match",
         ""},
        {{Tampering::swapClusters(1, 2)},
         1,
         1,
         "cluster 2 at offset 4799: HMAC (SHA-256) over bytes 4858 to 8989 does not match",
         ""},
        {{Tampering::swapClusters(1, 2)},
         2,
         1,
         "cluster 2 at offset 4573: HMAC (SHA-256) over bytes 4632 to 8763 does not match",
         ""},
        {{Tampering::dropCluster(1)},
         1,
         1,
         "cluster 2 at offset 4799: HMAC (SHA-256) over bytes 4858 to 8989 does not match",
         ""},
        {{Tampering::dropCluster(1)},
         2,
         1,
         "cluster 2 at offset 4573: HMAC (SHA-256) over bytes 4632 to 8763 does not match",
         ""},
        {{Tampering::dropCluster(5)},
         1,
         1,
         "the chain of 5 clusters does not end on the recorder tag's final value",
         ""},
        {{Tampering::dropCluster(5)},
         2,
         1,
         "the chain of 5 clusters does not end on the recorder tag's final value",
         ""},
        {{Tampering::insertForeignCluster(2)},
         1,
         1,
         "cluster 3 at offset 8990: HMAC (SHA-256) over bytes 9049 to 13180 does not match",
         ""},
        {{Tampering::insertForeignCluster(2)},
         2,
         1,
         "cluster 3 at offset 8764: HMAC (SHA-256) over bytes 8823 to 12954 does not match",
         ""},
        {{Tampering::insertForeignCluster(6)},
         1,
         1,
         "cluster 7 at offset 25754: HMAC (SHA-256) over bytes 25813 to 29944 does not match",
         ""},
        {{Tampering::insertForeignCluster(6)},
         2,
         1,
         "cluster 7 at offset 25528: HMAC (SHA-256) over bytes 25587 to 29718 does not match",
         ""},
        {{Tampering::truncateInLastCluster()}, 1, 3, "", "I/O error @ 21622"},
        {{Tampering::truncateInLastCluster()}, 2, 3, "", "I/O error @ 21396"},
        {{Tampering::wrongFinalSignature()},
         1,
         1,
         "the chain of 6 clusters does not end on the recorder tag's final value",
         ""},
        {{Tampering::wrongFinalSignature()},
         2,
         1,
         "the chain of 6 clusters does not end on the recorder tag's final value",
         ""},
        {{Tampering::missingTag()}, 1, 2, "no recorder tag", ""},
        {{Tampering::missingTag()}, 2, 2, "no recorder tag", ""},
        {{Tampering::tagWithoutSerial()}, 1, 2, "the recorder tag has no serial number", ""},
        {{Tampering::tagWithoutSerial()}, 2, 2, "the recorder tag has no serial number", ""},
        {{Tampering::signatureLast(1)},
         1,
         2,
         "cluster 2 at offset 4799: nothing follows its signature element at offset 8947",
         ""},
        {{Tampering::signatureLast(1)},
         2,
         2,
         "cluster 2 at offset 4573: nothing follows its signature element at offset 8721",
         ""},
        {{Tampering::decoyBeforeSignature(1)}, 1, 0, "", ""},
        {{Tampering::decoyBeforeSignature(1)}, 2, 0, "", ""},
        {{Tampering::extraValueByte(1)},
         1,
         1,
         "cluster 2 at offset 4799: HMAC (SHA-256) over bytes 4859 to 8990 does not match",
         ""},
        {{Tampering::extraValueByte(1)},
         2,
         1,
         "cluster 2 at offset 4573: HMAC (SHA-256) over bytes 4633 to 8764 does not match",
         ""},
        {{Tampering::unsignedRecording()},
         1,
         2,
         "recorder tag at offset 233: no signature element of kind 1 or 2",
         ""},
        {{Tampering::unsignedRecording()},
         2,
         2,
         "recorder tag at offset 233: no signature element of kind 1 or 2",
         ""},
        {{Tampering::flipClusterByte(1), Tampering::flipClusterByte(4)},
         1,
         1,
         "cluster 2 at offset 4799: HMAC (SHA-256) over bytes 4858 to 8989 does not match",
         ""},
        {{Tampering::flipClusterByte(1), Tampering::flipClusterByte(4)},
         2,
         1,
         "cluster 2 at offset 4573: HMAC (SHA-256) over bytes 4632 to 8763 does not match",
         ""},
        {{Tampering::flipClusterByte(2), Tampering::truncateInLastCluster()},
         1,
         1,
         "cluster 3 at offset 8990: HMAC (SHA-256) over bytes 9049 to 13180 does not match",
         ""},
        {{Tampering::flipClusterByte(2), Tampering::truncateInLastCluster()},
         2,
         1,
         "cluster 3 at offset 8764: HMAC (SHA-256) over bytes 8823 to 12954 does not match",
         ""},
    };
    for (const Case& c : cases) {
        RecorderOptions options;
        options.clusterCount = 6;
        options.tagSignature = {c.tagKind, 3};
        options.tampering = c.tampering;
        const RecordingEvidence evidence = examineEvidence(options);
        EXPECT_EQ(verdictNumber(evidence.verdict.code), c.code) << c.detail << c.error;
        EXPECT_EQ(evidence.verdict.detail, c.detail);
        EXPECT_EQ(evidence.verdict.errorText, c.error);
    }
}

TEST(Evidence, TheChainIsMappedPastTheFirstFailure) {
    const RecordingEvidence evidence =
        examineEvidence(tampered({Tampering::flipClusterByte(2), Tampering::flipClusterByte(5)}));
    EXPECT_EQ(evidence.verdict.code, VerdictCode::Mismatch);
    EXPECT_NE(evidence.verdict.detail.find("cluster 3 at offset"), std::string::npos);
    ASSERT_EQ(evidence.runs.size(), 5u);
    const ClusterStatus expected[] = {ClusterStatus::Verified, ClusterStatus::Mismatch,
                                      ClusterStatus::Verified, ClusterStatus::Mismatch,
                                      ClusterStatus::Verified};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(evidence.runs[i].status, expected[i]) << i;
    }
    EXPECT_EQ(evidence.runs[4].firstCluster, 7);
    EXPECT_EQ(evidence.runs[4].lastCluster, 8);
    ASSERT_TRUE(evidence.firstFailure.has_value());
    EXPECT_EQ(evidence.firstFailure->cluster, 3);
    EXPECT_EQ(evidence.firstFailure->wallClock, "2026-12-01 08:00:02");
    EXPECT_EQ(evidence.clusters.size(), 8u);
    // The tag's statements are kept, marked unverified only where they are.
    EXPECT_EQ(evidence.tag.serialNumber, "TLV-0001234");
    EXPECT_TRUE(evidence.tag.verified);
}

TEST(Evidence, TagSignedWithAnotherKeyIsNamedSo) {
    recorder::RecorderKeys other;
    other.rsaPrivate.reset(EVP_RSA_gen(2048));
    other.hmacKey = recorder::RecorderKeys::defaults().hmacKey;
    // Over a consistent chain another key is named as such, not as a change.
    const RecordingEvidence evidence = examineEvidence(tampered({}), other);
    EXPECT_NE(findingOf(evidence, "key-unknown"), nullptr) << evidenceCodes(evidence);
    EXPECT_EQ(findingOf(evidence, "tag-unknown-key"), nullptr) << evidenceCodes(evidence);
    // With a cluster changed too, nothing says the chain is the signer's own.
    const RecordingEvidence alsoChanged =
        examineEvidence(tampered({Tampering::flipClusterByte(3)}), other);
    EXPECT_NE(findingOf(alsoChanged, "tag-unknown-key"), nullptr) << evidenceCodes(alsoChanged);
    EXPECT_FALSE(evidence.tag.verified);
    EXPECT_EQ(evidence.tag.startTime, "2026-12-01 08:00:00");  // stated, though not verified
}

TEST(Evidence, TimesFollowTheTimecodeScaleAndMissingTimecodesHaveNone) {
    RecorderOptions options = tampered({Tampering::flipClusterByte(4)});
    options.timecodeScale = 500000;  // half a millisecond per tick
    options.withoutTimecode = {1};
    const RecordingEvidence evidence = examineEvidence(options);
    ASSERT_EQ(evidence.clusters.size(), 8u);
    EXPECT_DOUBLE_EQ(evidence.clusters[2].seconds.value_or(-1), 1.0);
    EXPECT_FALSE(evidence.clusters[1].seconds.has_value());
    ASSERT_TRUE(evidence.medianClusterSeconds.has_value());
    EXPECT_DOUBLE_EQ(*evidence.medianClusterSeconds, 0.5);
    EXPECT_EQ(evidence.firstFailure->wallClock, "2026-12-01 08:00:02");
}

TEST(Evidence, CoverageAccountsForEveryByte) {
    recorder::Recording written;
    const RecordingEvidence evidence =
        examineEvidence(tampered({}), recorder::RecorderKeys::defaults(), &written);
    int64_t signedBytes = written.tag.signedEnd - written.tag.signedBegin;
    int64_t clusterPrefixes = 0;
    for (const recorder::ClusterRecord& cluster : written.clusters) {
        signedBytes += cluster.signedLength();
        clusterPrefixes += cluster.signedBegin - cluster.headerOffset;
    }
    const Coverage& coverage = evidence.coverage;
    EXPECT_EQ(coverage.fileSize, written.fileSize);
    EXPECT_EQ(coverage.verifiedBytes, signedBytes);
    EXPECT_EQ(coverage.signedBytes, signedBytes);
    int64_t unsignedBytes = 0;
    for (const CoveragePart& part : coverage.unsignedParts) {
        unsignedBytes += part.bytes;
        if (part.name == "cluster headers, Timecodes and signature elements") {
            EXPECT_EQ(part.bytes, clusterPrefixes);
            EXPECT_EQ(part.count, 8);
        }
        if (part.name == "EBML header and Segment header") {
            EXPECT_EQ(part.bytes, written.segmentDataOffset);
        }
    }
    EXPECT_EQ(unsignedBytes + coverage.verifiedBytes, written.fileSize);
}

TEST(Evidence, HelpersReadTagTimes) {
    EXPECT_EQ(wallClockAt("2026-12-31 23:59:30", 45.9), "2027-01-01 00:00:15");
    EXPECT_EQ(wallClockAt("2026-12-31T23:59:30", 1), "");
    EXPECT_EQ(wallClockAt("2026-13-01 00:00:00", 1), "");
    EXPECT_FALSE(tagTimeSeconds("2026-12-01 08:00:0x").has_value());
    EXPECT_EQ(clockText(3725.5), "01:02:05");
}

// A tag the scan found but the reader never reached (its parse stopped
// first) is neither "no tag" nor, alone, one of several.
TEST(Evidence, ATagTheReaderNeverReachedIsNotCalledMissing) {
    ExamineOptions options;
    options.fileHash = false;
    const RecordingEvidence evidence = examineRecording(
        std::string(TELVAR_TEST_DATA) + "/fuzz-regressions/verify/budget-masters-rewalk-run.mkv",
        options);
    const Finding* missing = findingOf(evidence, "tag-missing");
    ASSERT_NE(missing, nullptr) << evidenceCodes(evidence);
    EXPECT_NE(missing->text.find("though the scan found one at offset 2772"), std::string::npos)
        << missing->text;
    EXPECT_EQ(findingOf(evidence, "tag-multiple"), nullptr) << evidenceCodes(evidence);
}
