#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/x509.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "container/MkvIds.h"
#include "container/MkvParser.h"
#include "container/NvrSignature.h"
#include "support/SourceClip.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

using recorder::Bytes;
using recorder::ClusterRecord;
using recorder::kKindHmac;
using recorder::kKindRsa;
using recorder::RecorderOptions;
using recorder::Recording;
using recorder::SignatureParams;
using recorder::Tampering;

namespace {

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes slice(const Bytes& file, int64_t begin, int64_t end) {
    return Bytes(file.begin() + begin, file.begin() + end);
}

// A verifier written from the file format alone, with the program's public
// key and HMAC key, so the recorder is checked against something other than
// itself.
enum class Verdict { Ok, Mismatch, Unsigned, KeyOrDigestRejected, Unreadable };

class IndependentVerifier {
  public:
    Verdict run(const std::string& path) {
        try {
            nvr::MkvParser parser(path.c_str());
            parser.parse();
            const nvr::TNVRTag& tag = parser.tag();
            if (tag.serialNumber.empty()) {
                return Verdict::Unsigned;
            }
            Bytes last;
            Verdict verdict = checkElement(tag, {}, last);
            if (verdict != Verdict::Ok) {
                return verdict;
            }
            const nvr::MkvSegment& segment = parser.parsedSegment();
            Bytes key;
            for (int64_t at = segment.dataOffset; at < segment.endOffset();) {
                const nvr::MkvElement child(segment.reader, at);
                if (child.id == nvr::ID_CLUSTER) {
                    verdict = checkElement(child, key, last);
                    if (verdict != Verdict::Ok) {
                        return verdict;
                    }
                    key = last;
                }
                at = child.endOffset();
            }
            return key == tag.finalSignature ? Verdict::Ok : Verdict::Mismatch;
        } catch (const nvr::MkvException&) {
            return Verdict::Unreadable;
        } catch (const std::invalid_argument&) {
            return Verdict::KeyOrDigestRejected;
        }
    }

  private:
    Verdict checkElement(const nvr::MkvElement& element, const Bytes& key, Bytes& value) {
        for (int64_t at = element.dataOffset; at < element.endOffset();) {
            const nvr::MkvElement child(element.reader, at);
            at = child.endOffset();
            if (child.id != nvr::ID_NVR_SIGNATURE) {
                continue;
            }
            nvr::NvrSignature signature(child);
            signature.parse();
            if (at >= element.endOffset()) {
                return Verdict::Unsigned;
            }
            const Bytes signedBytes = readRange(element, at, element.endOffset());
            bool good = false;
            if (signature.signatureKind == kKindHmac) {
                good = hmac(signature.digestType, key.empty() ? builtInHmac : key, signedBytes) ==
                       signature.signatureBytes;
            } else if (signature.signatureKind == kKindRsa) {
                good = rsaVerify(signature.digestType, key.empty() ? builtInPublic : key,
                                 signedBytes, signature.signatureBytes);
            } else {
                continue;
            }
            value = signature.signatureBytes;
            return good ? Verdict::Ok : Verdict::Mismatch;
        }
        return Verdict::Unsigned;
    }

    static Bytes readRange(const nvr::MkvElement& element, int64_t begin, int64_t end) {
        Bytes out(static_cast<size_t>(end - begin));
        if (element.reader->read(begin, static_cast<int32_t>(out.size()), out.data()) <= 0) {
            throw nvr::MkvException(nvr::MkvErrorCode::Io, begin);
        }
        return out;
    }

    static const EVP_MD* digest(uint32_t type) {
        const EVP_MD* table[] = {EVP_md5(), EVP_sha1(), EVP_sha256(), EVP_sha512()};
        if (type < 1 || type > 4) {
            throw std::invalid_argument("digest");
        }
        return table[type - 1];
    }

    static Bytes hmac(uint32_t type, const Bytes& key, const Bytes& data) {
        Bytes mac(EVP_MAX_MD_SIZE);
        unsigned int length = 0;
        HMAC(digest(type), key.data(), static_cast<int>(key.size()), data.data(), data.size(),
             mac.data(), &length);
        mac.resize(length);
        return mac;
    }

    static bool rsaVerify(uint32_t type, const Bytes& der, const Bytes& data,
                          const Bytes& signature) {
        const EVP_MD* md = digest(type);
        const unsigned char* p = der.data();
        std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
            d2i_PUBKEY(nullptr, &p, static_cast<long>(der.size())), &EVP_PKEY_free);
        if (!key) {
            throw std::invalid_argument("public key");
        }
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
        return EVP_DigestVerifyInit(ctx.get(), nullptr, md, nullptr, key.get()) == 1 &&
               EVP_DigestVerify(ctx.get(), signature.data(), signature.size(), data.data(),
                                data.size()) == 1;
    }

    Bytes builtInPublic = readFile(std::string(TELVAR_KEY_DIR) + "/public.der");
    Bytes builtInHmac = readFile(std::string(TELVAR_KEY_DIR) + "/hmac.key");
};

Verdict verify(const Recording& written) {
    return IndependentVerifier().run(written.path);
}

std::vector<int> chainOrder(const Recording& written) {
    std::vector<int> order;
    for (const ClusterRecord& c : written.clusters) {
        order.push_back(c.chainIndex);
    }
    return order;
}

// Header offsets of the segment's clusters as the container reader finds them.
std::vector<int64_t> clustersInFile(const std::string& path) {
    nvr::MkvParser parser(path.c_str());
    parser.parse();
    const nvr::MkvSegment& segment = parser.parsedSegment();
    std::vector<int64_t> offsets;
    for (int64_t at = segment.dataOffset; at < segment.endOffset();) {
        const nvr::MkvElement child(segment.reader, at);
        if (child.id == nvr::ID_CLUSTER) {
            offsets.push_back(child.headerOffset);
        }
        at = child.endOffset();
    }
    return offsets;
}

std::vector<int64_t> reportedClusters(const Recording& written) {
    std::vector<int64_t> offsets;
    for (const ClusterRecord& c : written.clusters) {
        offsets.push_back(c.headerOffset);
    }
    return offsets;
}

std::string text(const nvr::ByteBuffer& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

// Suite names start in lower case so that `ctest -R recorder` selects them.
TEST(recorder, WritesWhatTheContainerReaderFinds) {
    TempFile file;
    RecorderOptions options;
    options.clusterCount = 4;
    options.voidBeforeTag = 40;
    const Recording written = recorder::writeRecording(file.path(), options);

    nvr::MkvParser parser(file.c_str());
    ASSERT_EQ(parser.parse(), 0);
    EXPECT_EQ(text(parser.ebmlHeader().docType), std::string("matroska") + '\0');
    const nvr::TNVRTag& tag = parser.tag();
    EXPECT_EQ(tag.headerOffset, written.tag.headerOffset);
    EXPECT_EQ(tag.endOffset(), written.tag.endOffset);
    EXPECT_EQ(text(tag.serialNumber), "TLV-0001234");
    EXPECT_EQ(text(tag.startTime), "2026-12-01 08:00:00");
    EXPECT_EQ(text(tag.endTime), "2026-12-01 09:00:00");
    EXPECT_EQ(tag.finalSignature, written.clusters.back().value);
    EXPECT_EQ(tag.finalSignature, written.chainEnd);

    const nvr::MkvSegment& segment = parser.parsedSegment();
    EXPECT_EQ(segment.dataOffset, written.segmentDataOffset);
    EXPECT_EQ(segment.endOffset(), written.segmentEnd);
    EXPECT_EQ(written.segmentEnd, written.fileSize);
    EXPECT_EQ(static_cast<int64_t>(readFile(file.path()).size()), written.fileSize);
    ASSERT_EQ(segment.seekHeads.items.size(), 1u);
    ASSERT_EQ(segment.seekHeads.items[0].items.size(), 3u);
    EXPECT_EQ(segment.seekHeads.items[0].items[2].seekId, uint32_t{nvr::ID_NVR_TAG});
    EXPECT_EQ(segment.seekHeads.items[0].items[2].seekPosition,
              written.tag.headerOffset - written.segmentDataOffset);
    ASSERT_EQ(segment.infos.items.size(), 1u);
    EXPECT_EQ(segment.infos.items[0].timecodeScale, 1000000);
    ASSERT_EQ(segment.tracks.items.size(), 1u);
    ASSERT_EQ(segment.tracks.items[0].items.size(), 1u);
    const nvr::MkvTrackEntry& track = segment.tracks.items[0].items[0];
    EXPECT_EQ(track.trackNumber, 1u);
    EXPECT_EQ(text(track.codecId), std::string("V_MPEG4/ISO/AVC") + '\0');

    EXPECT_EQ(clustersInFile(file.path()), reportedClusters(written));
    for (size_t i = 0; i + 1 < written.clusters.size(); ++i) {
        EXPECT_EQ(written.clusters[i].endOffset, written.clusters[i + 1].headerOffset);
    }
    for (const ClusterRecord& c : written.clusters) {
        EXPECT_EQ(c.dataOffset, c.headerOffset + 12) << "4-byte ID, 8-byte size";
        EXPECT_LT(c.signatureOffset, c.signedBegin);
        EXPECT_EQ(c.signedEnd, c.endOffset);
    }
}

// Every kind and digest the recorder offers, checked both range by range
// against the reported offsets and by a full independent walk.
class SignedRecording : public testing::TestWithParam<std::tuple<uint32_t, uint32_t, uint32_t>> {};

TEST_P(SignedRecording, SignsExactlyTheReportedRanges) {
    const auto [tagKind, firstKind, digestType] = GetParam();
    TempFile file;
    RecorderOptions options;
    options.clusterCount = 3;
    options.tagSignature = {tagKind, digestType};
    options.firstCluster = {firstKind, digestType};
    options.laterClusters = {kKindHmac, digestType};
    const Recording written = recorder::writeRecording(file.path(), options);
    const Bytes bytes = readFile(file.path());

    const size_t macSize = digestType == 1 ? 16 : digestType == 2 ? 20 : digestType == 3 ? 32 : 64;
    for (size_t i = 0; i < written.clusters.size(); ++i) {
        const ClusterRecord& c = written.clusters[i];
        const Bytes stored = slice(bytes, c.valueOffset, c.valueOffset + c.value.size());
        EXPECT_EQ(stored, c.value) << i;
        EXPECT_EQ(c.value.size(), i == 0 && firstKind == kKindRsa ? 256u : macSize) << i;
        EXPECT_EQ(c.key, i == 0 ? Bytes() : written.clusters[i - 1].value) << i;
    }
    const ClusterRecord& second = written.clusters[1];
    unsigned int length = 0;
    Bytes mac(EVP_MAX_MD_SIZE);
    const Bytes covered = slice(bytes, second.signedBegin, second.signedEnd);
    const EVP_MD* md[] = {EVP_md5(), EVP_sha1(), EVP_sha256(), EVP_sha512()};
    HMAC(md[digestType - 1], second.key.data(), static_cast<int>(second.key.size()), covered.data(),
         covered.size(), mac.data(), &length);
    mac.resize(length);
    EXPECT_EQ(mac, second.value);

    EXPECT_EQ(verify(written), Verdict::Ok);
}

INSTANTIATE_TEST_SUITE_P(recorderKindsAndDigests, SignedRecording,
                         testing::Combine(testing::Values(kKindRsa, kKindHmac),
                                          testing::Values(kKindRsa, kKindHmac),
                                          testing::Values(1u, 2u, 3u, 4u)));

TEST(recorder, PlacesAClusterAtAnExactOffsetAndSize) {
    TempFile file;
    RecorderOptions options;
    options.clusterCount = 2;
    options.firstClusterAt = 1000;
    options.clusterPayloadSize = 5000;
    options.firstCluster = {kKindHmac, 3};
    const Recording written = recorder::writeRecording(file.path(), options);

    const ClusterRecord& c = written.clusters[0];
    EXPECT_EQ(c.headerOffset, 1000);
    EXPECT_EQ(c.dataOffset, 1012);
    EXPECT_EQ(c.endOffset, 6012);
    EXPECT_EQ(c.signatureOffset, 1015);
    EXPECT_EQ(c.valueOffset, 1026);
    EXPECT_EQ(c.signedBegin, 1058);
    EXPECT_EQ(c.signedEnd - 1, 6011);
    EXPECT_EQ(c.signedLength(), 4954);
    // A wider timecode in the next cluster is absorbed by its frames.
    EXPECT_EQ(written.clusters[1].headerOffset, 6012);
    EXPECT_EQ(written.clusters[1].endOffset - written.clusters[1].dataOffset, 5000);
    EXPECT_EQ(verify(written), Verdict::Ok);
}

struct TamperCase {
    const char* name;
    std::vector<Tampering> tampering;
    Verdict expected;
    std::function<void(RecorderOptions&)> adjust;
};

// Keeps test names short in listings.
void PrintTo(const TamperCase& c, std::ostream* out) {
    *out << c.name;
}

class TamperedRecording : public testing::TestWithParam<TamperCase> {};

TEST_P(TamperedRecording, GivesTheExpectedVerdict) {
    TempFile file;
    RecorderOptions options;
    options.clusterCount = 4;
    options.tampering = GetParam().tampering;
    if (GetParam().adjust) {
        GetParam().adjust(options);
    }
    const Recording written = recorder::writeRecording(file.path(), options);
    EXPECT_EQ(verify(written), GetParam().expected);
}

void tagDigest0(RecorderOptions& o) {
    o.tagSignature.digestType = 0;
}
void firstClusterDigest5(RecorderOptions& o) {
    o.firstCluster.digestType = 5;
}
void rsaLaterInChain(RecorderOptions& o) {
    o.clusterSignature[2] = {kKindRsa, 3};
}
void rsaFirstCluster(RecorderOptions& o) {
    o.firstCluster.kind = kKindRsa;
}
void onlyKind3InCluster1(RecorderOptions& o) {
    o.clusterSignature[1] = {3, 3};
}

// Four default blocks of 1024 frame bytes behind 9 header bytes each.
constexpr int64_t kLastSignedByte = 4 * (9 + 1024) - 1;

const TamperCase kTamperCases[] = {
    {"Intact", {}, Verdict::Ok, {}},
    {"FlippedClusterByte", {Tampering::flipClusterByte(2)}, Verdict::Mismatch, {}},
    {"FlippedLastSignedByte",
     {Tampering::flipClusterByte(0, kLastSignedByte)},
     Verdict::Mismatch,
     {}},
    {"FlippedTagByte", {Tampering::flipTagByte()}, Verdict::Mismatch, {}},
    {"Swapped", {Tampering::swapClusters(1, 2)}, Verdict::Mismatch, {}},
    {"DroppedMiddle", {Tampering::dropCluster(1)}, Verdict::Mismatch, {}},
    {"DroppedLast", {Tampering::dropCluster(3)}, Verdict::Mismatch, {}},
    {"ForeignInserted", {Tampering::insertForeignCluster(2)}, Verdict::Mismatch, {}},
    {"ForeignFirst", {Tampering::insertForeignCluster(0)}, Verdict::Mismatch, {}},
    {"ForeignAppended", {Tampering::insertForeignCluster(4)}, Verdict::Mismatch, {}},
    {"Truncated", {Tampering::truncateInLastCluster()}, Verdict::Unreadable, {}},
    {"WrongFinal", {Tampering::wrongFinalSignature()}, Verdict::Mismatch, {}},
    {"MissingTag", {Tampering::missingTag()}, Verdict::Unsigned, {}},
    {"TagWithoutSerial", {Tampering::tagWithoutSerial()}, Verdict::Unsigned, {}},
    {"SignatureLast", {Tampering::signatureLast(0)}, Verdict::Unsigned, {}},
    {"DecoyFirst", {Tampering::decoyBeforeSignature(1)}, Verdict::Ok, {}},
    {"ExtraValueByte", {Tampering::extraValueByte(1)}, Verdict::Mismatch, {}},
    {"ExtraByteOnLast", {Tampering::extraValueByte(3)}, Verdict::Mismatch, {}},
    {"Unsigned", {Tampering::unsignedRecording()}, Verdict::Unsigned, {}},
    {"ReplacedContent", {Tampering::replaceContent(1, 2)}, Verdict::Mismatch, {}},
    {"TagDigest0", {}, Verdict::KeyOrDigestRejected, tagDigest0},
    {"FirstClusterDigest5", {}, Verdict::KeyOrDigestRejected, firstClusterDigest5},
    {"RsaLaterInChain", {}, Verdict::KeyOrDigestRejected, rsaLaterInChain},
    {"RsaFirstThenHmac", {}, Verdict::Ok, rsaFirstCluster},
    {"Kind3Only", {}, Verdict::Unsigned, onlyKind3InCluster1},
};

INSTANTIATE_TEST_SUITE_P(recorderFaults, TamperedRecording, testing::ValuesIn(kTamperCases),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(recorder, ReorderingKeepsTheStructureConsistent) {
    const auto write = [](std::vector<Tampering> tampering) {
        auto file = std::make_unique<TempFile>();
        RecorderOptions options;
        options.clusterCount = 4;
        options.tampering = std::move(tampering);
        Recording written = recorder::writeRecording(file->path(), options);
        EXPECT_EQ(clustersInFile(file->path()), reportedClusters(written));
        EXPECT_EQ(written.segmentEnd, written.fileSize);
        return std::make_pair(std::move(file), std::move(written));
    };
    const auto intact = write({});
    const auto swapped = write({Tampering::swapClusters(1, 3)});
    EXPECT_EQ(chainOrder(swapped.second), (std::vector<int>{0, 3, 2, 1}));
    EXPECT_EQ(swapped.second.fileSize, intact.second.fileSize);
    // The moved clusters are the intact ones, byte for byte.
    EXPECT_EQ(swapped.second.clusters[1].value, intact.second.clusters[3].value);
    EXPECT_EQ(swapped.second.clusters[3].value, intact.second.clusters[1].value);

    const auto dropped = write({Tampering::dropCluster(1)});
    EXPECT_EQ(chainOrder(dropped.second), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(dropped.second.clusters[1].key, intact.second.clusters[1].value);

    const auto inserted = write({Tampering::insertForeignCluster(2)});
    EXPECT_EQ(chainOrder(inserted.second), (std::vector<int>{0, 1, -1, 2, 3}));
    EXPECT_TRUE(inserted.second.clusters[2].key.empty());
    EXPECT_EQ(inserted.second.clusters[3].value, intact.second.clusters[2].value);
}

// The clip's frames are signed as they are; replaced frames keep the
// intact cluster's value, so only the replaced clusters stop verifying.
TEST(recorder, SignsTheFramesOfASourceClip) {
    const std::string clipPath = std::string(TELVAR_TEST_DATA) + "/clock-h264-320x240.mkv";
    const recorder::SourceClip clip = recorder::readSourceClip(clipPath);
    ASSERT_EQ(clip.clusters.size(), 60u);
    RecorderOptions options;
    options.sourceClip = clipPath;
    TempFile intactFile;
    const Recording intact = recorder::writeRecording(intactFile.path(), options);
    EXPECT_EQ(verify(intact), Verdict::Ok);
    EXPECT_EQ(clustersInFile(intactFile.path()), reportedClusters(intact));
    const Bytes bytes = readFile(intactFile.path());
    ASSERT_EQ(intact.clusters.size(), 60u);
    EXPECT_EQ(slice(bytes, 0, clip.ebmlHeader.size()), clip.ebmlHeader);
    EXPECT_EQ(slice(bytes, intact.tracksOffset, intact.tracksOffset + clip.tracks.size()),
              clip.tracks);
    for (size_t i = 0; i < 60; ++i) {
        const ClusterRecord& c = intact.clusters[i];
        EXPECT_EQ(slice(bytes, c.signedBegin, c.signedEnd), clip.clusters[i].blocks) << i;
        EXPECT_EQ(c.timecode, i * 1000) << i;
    }

    options.tampering = {Tampering::replaceContent(2, 5)};
    TempFile alteredFile;
    const Recording altered = recorder::writeRecording(alteredFile.path(), options);
    EXPECT_EQ(verify(altered), Verdict::Mismatch);
    const ClusterRecord& c = altered.clusters[2];
    EXPECT_EQ(slice(readFile(alteredFile.path()), c.signedBegin, c.signedEnd),
              clip.clusters[5].blocks);
    EXPECT_EQ(c.value, intact.clusters[2].value);
    EXPECT_EQ(altered.clusters[3].key, intact.clusters[2].value);
}

TEST(recorder, InClusterFaultsAreWhereTheyAreReported) {
    TempFile file;
    RecorderOptions options;
    options.clusterCount = 3;
    options.tampering = {Tampering::signatureLast(0), Tampering::decoyBeforeSignature(1),
                         Tampering::extraValueByte(2), Tampering::truncateInLastCluster()};
    const Recording written = recorder::writeRecording(file.path(), options);
    const Bytes bytes = readFile(file.path());

    const ClusterRecord& last = written.clusters[0];
    EXPECT_EQ(last.signedBegin, last.endOffset);
    EXPECT_EQ(last.valueOffset + static_cast<int64_t>(last.value.size()), last.endOffset);

    const ClusterRecord& decoyed = written.clusters[1];
    nvr::MkvFileReader reader;
    ASSERT_EQ(reader.open(file.c_str()), nvr::ReaderStatus::Ok);
    const nvr::MkvElement timecode(&reader, decoyed.dataOffset);
    nvr::NvrSignature decoy(nvr::MkvElement(&reader, timecode.endOffset()));
    decoy.parse();
    EXPECT_EQ(decoy.signatureKind, 3u);
    EXPECT_EQ(decoy.endOffset(), decoyed.signatureOffset);

    const ClusterRecord& extra = written.clusters[2];
    ASSERT_EQ(extra.value.size(), 33u);
    EXPECT_EQ(extra.value.back(), 0x00);
    EXPECT_EQ(extra.value, written.chainEnd);
    EXPECT_GT(written.fileSize, extra.signedBegin);
    EXPECT_LT(written.fileSize, extra.endOffset);
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), written.fileSize);
}

TEST(recorder, ContentFollowsTheSeedAndNothingElse) {
    TempFile a;
    TempFile b;
    TempFile c;
    RecorderOptions options;
    options.clusterCount = 2;
    options.firstCluster.kind = kKindRsa;
    const Recording first = recorder::writeRecording(a.path(), options);
    recorder::writeRecording(b.path(), options);
    options.seed = 2;
    const Recording reseeded = recorder::writeRecording(c.path(), options);
    EXPECT_EQ(readFile(a.path()), readFile(b.path()));
    EXPECT_NE(readFile(a.path()), readFile(c.path()));
    EXPECT_EQ(reportedClusters(first), reportedClusters(reseeded));
}

TEST(recorder, EmptyChainEndsOnAnEmptyFinalValue) {
    TempFile file;
    RecorderOptions options;
    options.clusterCount = 0;
    const Recording written = recorder::writeRecording(file.path(), options);
    EXPECT_TRUE(written.tag.finalSignature.empty());
    EXPECT_EQ(verify(written), Verdict::Ok);

    options.tampering = {Tampering::wrongFinalSignature()};
    EXPECT_EQ(verify(recorder::writeRecording(file.path(), options)), Verdict::Mismatch);
}

TEST(recorder, RefusesLayoutsItCannotWrite) {
    TempFile file;
    const auto attempt = [&file](const std::function<void(RecorderOptions&)>& change) {
        RecorderOptions options;
        change(options);
        recorder::writeRecording(file.path(), options);
    };
    EXPECT_THROW(attempt([](RecorderOptions& o) { o.firstClusterAt = 100; }),
                 std::invalid_argument);
    EXPECT_THROW(attempt([](RecorderOptions& o) { o.clusterPayloadSize = 60; }),
                 std::invalid_argument);
    EXPECT_THROW(attempt([](RecorderOptions& o) { o.tampering = {Tampering::dropCluster(3)}; }),
                 std::invalid_argument);
    EXPECT_THROW(attempt([](RecorderOptions& o) {
                     o.tampering = {Tampering::dropCluster(1), Tampering::swapClusters(1, 2)};
                 }),
                 std::invalid_argument);
}
