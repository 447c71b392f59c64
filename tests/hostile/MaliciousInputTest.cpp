// Recordings forged by someone who controls every byte. Each must end in a
// verdict other than success, or in an MkvException with a clear text;
// never in a crash, a hang or an allocation out of proportion to the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "container/MkvMemoryReader.h"
#include "container/MkvParser.h"
#include "hostile/HostileFiles.h"
#include "signature/WalkEvidence.h"

using namespace ebml;
using hostile::Outcome;
using hostile::recording;
using hostile::segmentDataOffset;
using hostile::verifyBytes;

namespace {

constexpr uint64_t kSegment = 0x18538067;
constexpr uint64_t kSeekHead = 0x114D9B74;
constexpr uint64_t kInfo = 0x1549A966;
constexpr uint64_t kTracks = 0x1654AE6B;
constexpr uint64_t kTag = 0x134E5652;
constexpr uint64_t kCluster = 0x1F43B675;

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

// A header declaring `size` with an 8-byte size field and no payload behind it.
Bytes hugeHeader(uint64_t id, uint64_t size) {
    return encode(el(id, Bytes{}).withDeclaredSize(size).withSizeWidth(8));
}

Bytes seekEntry(uint64_t id, uint64_t position) {
    return encode(el(0x4DBB, {el(0x53AB, encodeId(id)), uintEl(0x53AC, position, 8)}));
}

Bytes seekHead(const Bytes& entries) {
    return encode(el(kSeekHead, {raw(entries)}));
}

// An unsigned recorder tag: parses, and the walk calls the file unsigned.
Bytes plainTag(const std::string& serial = "TLV-PLAIN") {
    return encode(el(kTag, {strEl(0x6E12, serial)}));
}

std::unique_ptr<nvr::MkvParser> parsed(const Bytes& bytes, int64_t declaredSize = -1) {
    auto parser = std::make_unique<nvr::MkvParser>(
        std::make_unique<nvr::MkvMemoryReader>(bytes, declaredSize));
    parser->parse();
    return parser;
}

void expectError(const Outcome& outcome, nvr::MkvErrorCode code, int64_t position) {
    ASSERT_TRUE(outcome.threw) << outcome.text;
    EXPECT_EQ(outcome.code, code) << outcome.text;
    EXPECT_EQ(outcome.position, position) << outcome.text;
    EXPECT_EQ(outcome.text,
              std::string(nvr::mkvErrorName(code)) + " @ " + std::to_string(position));
}

// A valid chain of `clusters` HMAC clusters with its signed tag in front.
Bytes authenticChildren(int clusters) {
    Bytes chain;
    Bytes key;
    for (int i = 0; i < clusters; ++i) {
        Bytes value;
        append(chain, hostile::signedCluster(key, &value, static_cast<uint8_t>(i)));
        key = value;
    }
    Bytes children = hostile::signedTag(key);
    append(children, chain);
    return children;
}

}  // namespace

TEST(MaliciousInput, HandMadeAuthenticRecordingPasses) {
    // The baseline every forged variant below departs from.
    const Outcome outcome = verifyBytes(recording(authenticChildren(3)));
    EXPECT_TRUE(outcome.passed()) << outcome.text;
}

TEST(MaliciousInput, HugeSizesOnTextBinaryAndSignaturePayloads) {
    const int64_t data = segmentDataOffset();
    for (const uint64_t size : {(uint64_t{1} << 56) - 1, (uint64_t{1} << 56) - 2}) {
        SCOPED_TRACE(size);
        // Text: MuxingApp inside Info; Info's own header takes 5 bytes.
        Bytes info = encode(raw(encodeId(kInfo)));
        const Bytes text = hugeHeader(0x4D80, size);
        append(info, encodeSize(text.size()));
        append(info, text);
        expectError(verifyBytes(recording(info)), nvr::MkvErrorCode::OutOfRange, data + 5);

        // Binary: the tag's serial number.
        const Bytes tag = encode(el(kTag, {raw(hugeHeader(0x6E12, size))}));
        expectError(verifyBytes(recording(tag)), nvr::MkvErrorCode::OutOfRange, data + 5);

        // Signature value: the tag parses (its signature child is not read
        // there); the walk then refuses the value.
        const Bytes signature =
            encode(el(0x4153, {uintEl(0xDC, 2), uintEl(0xDD, 3), raw(hugeHeader(0xDE, size))}));
        const Bytes signedTag = encode(el(kTag, {strEl(0x6E12, "TLV-1"), raw(signature)}));
        const int64_t valueAt = data + 5 + 8 + 3 + 3 + 3;  // tag, serial, signature, kind, digest
        expectError(verifyBytes(recording(signedTag)), nvr::MkvErrorCode::OutOfRange, valueAt);
    }
    // The one-byte all-ones size is 127 bytes, past the end of this file.
    const Bytes shortTag = encode(el(kTag, {raw(Bytes{0x6E, 0x12, 0xFF, 'A'})}));
    expectError(verifyBytes(recording(shortTag)), nvr::MkvErrorCode::OutOfRange,
                segmentDataOffset() + 5);
}

TEST(MaliciousInput, IdsOfFiveToEightBytes) {
    const int64_t data = segmentDataOffset();
    for (int width = 5; width <= 8; ++width) {
        SCOPED_TRACE(width);
        const uint64_t marker = uint64_t{1} << (8 * width - width);
        // Only the low 32 bits count: these read as a Void and are skipped.
        Bytes children = encode(el(marker | 0xEC, Bytes{1, 2, 3}));
        append(children, plainTag());
        const Outcome skipped = verifyBytes(recording(children));
        EXPECT_FALSE(skipped.threw) << skipped.text;
        EXPECT_EQ(skipped.result,
                  VerifyWalkResult::Unsigned);  // the tag after it was found, unsigned

        // Low 32 bits of zero, or with the sign bit set, are no ID.
        for (const uint64_t low : {uint64_t{0}, uint64_t{0x80000001}}) {
            expectError(verifyBytes(recording(encode(el(marker | low, Bytes{1})))),
                        nvr::MkvErrorCode::BadEbmlId, data);
        }
    }
}

TEST(MaliciousInput, ZeroSizeAndCutHeaders) {
    const int64_t data = segmentDataOffset();
    // Size byte 0x00 carries no length marker; 0x80 is a size of 0.
    for (const uint8_t sizeByte : {uint8_t{0x00}, uint8_t{0x80}}) {
        expectError(verifyBytes(recording(Bytes{0xEC, sizeByte, 0, 0})),
                    nvr::MkvErrorCode::BadEbmlDataSize, data);
    }
    // The segment claims 64 bytes; the file ends inside the next header.
    const auto cutFile = [](const Bytes& tail) {
        Bytes file = encode(ebmlHeader());
        append(file, encodeId(kSegment));
        append(file, encodeSize(64, 8));
        append(file, plainTag());
        append(file, tail);
        return file;
    };
    const int64_t next = data + static_cast<int64_t>(plainTag().size());
    // After the first byte of a four-byte ID: the ID cannot be completed.
    expectError(verifyBytes(cutFile({0x1F})), nvr::MkvErrorCode::BadEbmlId, next);
    // After a whole ID: the size cannot be read at all.
    expectError(verifyBytes(cutFile({0xEC})), nvr::MkvErrorCode::Io, next);
    // Inside an eight-byte size.
    expectError(verifyBytes(cutFile({0xEC, 0x01, 0x00})), nvr::MkvErrorCode::BadEbmlDataSize, next);
}

TEST(MaliciousInput, ChildrenEndingBeyondTheirParentOrTheFile) {
    // A text whose payload lies wholly past its Info (it is the tag) is
    // read in full; the segment then goes on at the end of the Info, where
    // the same bytes are read as the tag.
    const Bytes tag = plainTag();
    Bytes children = encode(raw(encodeId(kInfo)));
    append(children, encodeSize(3));
    append(children, Bytes{0x4D, 0x80, static_cast<uint8_t>(0x80 | tag.size())});
    append(children, tag);
    const auto parser = parsed(recording(children));
    ASSERT_EQ(parser->parsedSegment().infos.items.size(), 1u);
    const nvr::ByteBuffer& text = parser->parsedSegment().infos.items[0].muxingApp;
    EXPECT_TRUE(std::equal(tag.begin(), tag.end(), text.begin()));
    EXPECT_EQ(nvr::textOf(parser->tag().serialNumber), "TLV-PLAIN");

    // A track entry claiming more than the file holds: its walk reaches the
    // end of the file and stops with the reader's I/O error there.
    const Bytes entry =
        encode(el(0xAE, {strEl(0x86, "V_X")}).withDeclaredSize(4096).withSizeWidth(2));
    const Bytes file = recording(encode(el(kTracks, {raw(entry)})));
    expectError(verifyBytes(file), nvr::MkvErrorCode::Io, static_cast<int64_t>(file.size()));

    // A signed range past the end of the file: the cluster claims 4 KiB
    // more than it holds, so the walk's reads fail and it gives up.
    Bytes value;
    Bytes cluster = hostile::signedCluster({}, &value);
    const Bytes realSize = encodeSize(cluster.size() - 5);
    ASSERT_EQ(realSize.size(), 1u);
    const Bytes longer = encodeSize(cluster.size() - 5 + 4096, 8);
    cluster.erase(cluster.begin() + 4, cluster.begin() + 5);
    cluster.insert(cluster.begin() + 4, longer.begin(), longer.end());
    Bytes cut = hostile::signedTag(value);
    append(cut, cluster);
    const Outcome outcome = verifyBytes(recording(cut));
    ASSERT_TRUE(outcome.threw);
    EXPECT_EQ(outcome.code, nvr::MkvErrorCode::Io) << outcome.text;
}

TEST(MaliciousInput, ForgedSeekPositions) {
    const int64_t data = segmentDataOffset();
    const auto withEntry = [](uint64_t position) {
        Bytes children = seekHead(seekEntry(kInfo, position));
        append(children, plainTag());
        return recording(children);
    };
    // All ones reads as -1, the failure value: the entry is dropped.
    const auto dropped = parsed(withEntry(~uint64_t{0}));
    EXPECT_TRUE(dropped->parsedSegment().seekHeads.items.empty());
    EXPECT_EQ(nvr::textOf(dropped->tag().serialNumber), "TLV-PLAIN");

    // The largest position saturates instead of wrapping around.
    const uint64_t largest = (uint64_t{1} << 63) - 1;
    expectError(verifyBytes(withEntry(largest)), nvr::MkvErrorCode::Io, INT64_MAX);

    // Just past the end of the file.
    const Bytes file = withEntry(4096);
    expectError(verifyBytes(file), nvr::MkvErrorCode::Io, data + 4096);

    // Pointing back at its own seek head, as Info and as a seek head: read
    // once as the kind it names, never followed further.
    Bytes entries = seekEntry(kInfo, 3);
    append(entries, seekEntry(kSeekHead, 3));
    Bytes self = encode(voidEl(3));
    append(self, seekHead(entries));
    append(self, plainTag());
    const auto selfParser = parsed(recording(self));
    EXPECT_EQ(selfParser->parsedSegment().seekHeads.items.size(), 1u);
    ASSERT_EQ(selfParser->parsedSegment().infos.items.size(), 1u);
    EXPECT_EQ(selfParser->parsedSegment().infos.items[0].headerOffset, data + 3);
}

TEST(MaliciousInput, TwoSeekHeadsPointingAtEachOther) {
    // Each names the other as a seek head and as Info; both are met
    // directly too. Seek heads are never followed through entries.
    const Bytes probe = seekHead([] {
        Bytes entries = seekEntry(kSeekHead, 0);
        append(entries, seekEntry(kInfo, 0));
        return entries;
    }());
    const auto headSize = static_cast<uint64_t>(probe.size());
    const auto head = [](uint64_t other) {
        Bytes entries = seekEntry(kSeekHead, other);
        append(entries, seekEntry(kInfo, other));
        return seekHead(entries);
    };
    const Bytes pad = encode(voidEl(3));
    Bytes children = pad;
    append(children, head(3 + headSize));
    append(children, head(3));
    append(children, plainTag());
    const auto parser = parsed(recording(children));
    EXPECT_EQ(parser->parsedSegment().seekHeads.items.size(), 2u);
    EXPECT_EQ(parser->parsedSegment().infos.items.size(), 2u);
    EXPECT_EQ(parser->verifySignatures(nullptr, nullptr), VerifyWalkResult::Unsigned);
}

TEST(MaliciousInput, AMillionVoidElements) {
    Bytes children;
    children.reserve(3'000'100);
    for (int i = 0; i < 1'000'000; ++i) {
        append(children, {0xEC, 0x81, 0x00});
    }
    append(children, plainTag());
    const Outcome outcome = verifyBytes(recording(children));
    EXPECT_FALSE(outcome.threw) << outcome.text;
    EXPECT_EQ(outcome.result, VerifyWalkResult::Unsigned);  // reached the tag behind them
}

TEST(MaliciousInput, AMillionSeekEntries) {
    // Every entry names the same Tracks element: it is read once.
    constexpr int kEntries = 1'000'000;
    const Bytes entry = seekEntry(kTracks, 0);
    const uint64_t tracksAt = 4 + 8 + entry.size() * kEntries;
    Bytes children = encode(raw(encodeId(kSeekHead)));
    append(children, encodeSize(entry.size() * kEntries, 8));
    const Bytes target = seekEntry(kTracks, tracksAt);
    for (int i = 0; i < kEntries; ++i) {
        append(children, target);
    }
    append(children, encode(el(kTracks, {el(0xAE, {uintEl(0xD7, 1)})})));
    append(children, plainTag());
    const auto parser = parsed(recording(children));
    EXPECT_EQ(parser->parsedSegment().seekHeads.items.at(0).items.size(),
              static_cast<size_t>(kEntries));
    EXPECT_EQ(parser->parsedSegment().tracks.items.size(), 1u);
    EXPECT_EQ(parser->verifySignatures(nullptr, nullptr), VerifyWalkResult::Unsigned);
}

TEST(MaliciousInput, DeeplyNestedUnknownMasters) {
    // 100 000 unknown elements, each wrapping the next, inside an Info and
    // between the tag and a cluster: skipped by their size, never descended.
    constexpr uint64_t kDepth = 100'000;
    const auto nested = [] {
        Bytes bytes;
        for (uint64_t level = 0; level < kDepth; ++level) {
            append(bytes, Bytes{0xC0});
            append(bytes, encodeSize((kDepth - 1 - level) * 9 + 3, 8));
        }
        append(bytes, {0xC0, 0x81, 0x00});
        return bytes;
    }();
    Bytes value;
    const Bytes cluster = hostile::signedCluster({}, &value);
    Bytes children = encode(el(kInfo, {raw(nested)}));
    append(children, hostile::signedTag(value));
    append(children, nested);
    append(children, cluster);
    const Outcome outcome = verifyBytes(recording(children));
    EXPECT_TRUE(outcome.passed()) << outcome.text;
}

TEST(MaliciousInput, SignatureElementsOfForgedSize) {
    const Bytes after = encode(el(0xA3, Bytes(24, 0x5A)));
    const Bytes timecode = encode(uintEl(0xE7, 0));
    const auto file = [](const Bytes& cluster, const Bytes& finalValue) {
        Bytes children = hostile::signedTag(finalValue);
        append(children, cluster);
        return recording(children);
    };
    const int64_t clusterAt =
        segmentDataOffset() + static_cast<int64_t>(hostile::signedTag(Bytes(32)).size());

    // Zero length: refused as a header, wherever it stands.
    Bytes zero = timecode;
    append(zero, Bytes{0x41, 0x53, 0x80});
    append(zero, after);
    expectError(verifyBytes(file(encode(el(kCluster, zero)), Bytes(32))),
                nvr::MkvErrorCode::BadEbmlDataSize, clusterAt + 5 + 3);

    // Larger than its cluster: nothing is left to sign, so it is unsigned.
    // (Its last child reaches past it, so its own walk ends there.)
    const Bytes value = hostile::hmac({}, after);
    const Bytes beyond = encode(el(0xEC, Bytes{}).withDeclaredSize(8192).withSizeWidth(8));
    Bytes signature = encode(hostile::signatureEl(value));
    signature.erase(signature.begin() + 2);  // one-byte size, replaced by a two-byte one
    const Bytes size = encodeSize(4096, 2);
    signature.insert(signature.begin() + 2, size.begin(), size.end());
    Bytes oversized = timecode;
    append(oversized, signature);
    append(oversized, beyond);
    const Outcome outcome = verifyBytes(file(encode(el(kCluster, oversized)), value));
    EXPECT_FALSE(outcome.threw) << outcome.text;
    EXPECT_EQ(outcome.result, VerifyWalkResult::Unsigned);
    EXPECT_NE(outcome.text.find("nothing follows its signature element"), std::string::npos)
        << outcome.text;
}

TEST(MaliciousInput, TwoSignatureElementsInOneCluster) {
    const Bytes frame = encode(el(0xA3, Bytes(24, 0x5A)));
    const Bytes timecode = encode(uintEl(0xE7, 0));
    const auto file = [](const Bytes& clusterPayload, const Bytes& finalValue) {
        Bytes children = hostile::signedTag(finalValue);
        append(children, encode(el(kCluster, clusterPayload)));
        return recording(children);
    };
    const Bytes genuine = hostile::hmac({}, frame);

    // A forged one placed before the genuine one is the one that counts.
    Bytes forgedFirst = timecode;
    append(forgedFirst, encode(hostile::signatureEl(Bytes(32, 0x00))));
    append(forgedFirst, encode(hostile::signatureEl(genuine)));
    append(forgedFirst, frame);
    const Outcome first = verifyBytes(file(forgedFirst, Bytes(32, 0x00)));
    EXPECT_EQ(first.result, VerifyWalkResult::Mismatch) << first.text;

    // One added after the genuine one lies in its signed range.
    Bytes addedAfter = timecode;
    append(addedAfter, encode(hostile::signatureEl(genuine)));
    append(addedAfter, encode(hostile::signatureEl(Bytes(32, 0x00))));
    append(addedAfter, frame);
    EXPECT_EQ(verifyBytes(file(addedAfter, genuine)).result, VerifyWalkResult::Mismatch);

    // Signed by the recorder together with the frame, it is part of the data.
    Bytes covered = encode(hostile::signatureEl(Bytes(32, 0x00)));
    append(covered, frame);
    const Bytes value = hostile::hmac({}, covered);
    Bytes both = timecode;
    append(both, encode(hostile::signatureEl(value)));
    append(both, covered);
    EXPECT_TRUE(verifyBytes(file(both, value)).passed());
}

TEST(MaliciousInput, NoStrictPrefixOfARecordingPasses) {
    // Cut at every byte: read from the start (the file is short) and with
    // the full size still claimed (the file was cut after it was opened).
    recorder::RecorderOptions options = hostile::smallRecording();
    options.tagSignature = {recorder::kKindHmac, 3};  // a shorter tag: fewer cuts to try
    const hostile::Recorded rec = hostile::record(options);
    ASSERT_TRUE(verifyBytes(rec.bytes).passed());
    const auto full = static_cast<int64_t>(rec.bytes.size());
    for (int64_t cut = 0; cut < full; ++cut) {
        const Bytes prefix(rec.bytes.begin(), rec.bytes.begin() + cut);
        const Outcome shortFile = verifyBytes(prefix);
        const Outcome cutLater = verifyBytes(prefix, full);
        ASSERT_FALSE(shortFile.passed()) << "cut at " << cut;
        ASSERT_FALSE(cutLater.passed()) << "cut at " << cut;
        // Inside the clusters, the cut shows as an I/O error.
        for (const recorder::ClusterRecord& cluster : rec.layout.clusters) {
            if (cut > cluster.signedBegin && cut < cluster.endOffset) {
                ASSERT_TRUE(cutLater.threw) << "cut at " << cut << ": " << cutLater.text;
                ASSERT_EQ(cutLater.code, nvr::MkvErrorCode::Io)
                    << "cut at " << cut << ": " << cutLater.text;
            }
        }
    }
}

TEST(MaliciousInput, OnlyTheFirstSegmentCounts) {
    const Bytes authentic = recording(authenticChildren(2));
    const Bytes authenticSegment(authentic.begin() + static_cast<long>(encode(ebmlHeader()).size()),
                                 authentic.end());
    const Bytes unsignedSegment = encode(el(kSegment, {raw(plainTag())}));

    Bytes trailingJunk = authentic;
    append(trailingJunk, unsignedSegment);
    append(trailingJunk, Bytes{0x00, 0xFF, 0x00});
    EXPECT_TRUE(verifyBytes(trailingJunk).passed());

    // An authentic segment behind an unsigned one is never looked at.
    Bytes genuineSecond = encode(ebmlHeader());
    append(genuineSecond, unsignedSegment);
    append(genuineSecond, authenticSegment);
    EXPECT_EQ(verifyBytes(genuineSecond).result, VerifyWalkResult::Unsigned);
}

TEST(MaliciousInput, OffsetsAboveTwoAndFourGiB) {
    // The source claims 5 GiB and holds only the first bytes; positions far
    // out keep all 64 bits in what they report.
    const int64_t data = segmentDataOffset();
    const int64_t declared = int64_t{5} << 30;
    for (const int64_t target : {(int64_t{1} << 31) + 5, (int64_t{1} << 32) + 7}) {
        SCOPED_TRACE(target);
        // Reached by skipping a Void, in a segment that claims 4 GiB more...
        Bytes file = encode(ebmlHeader());
        append(file, encodeId(kSegment));
        append(file, encodeSize(uint64_t{1} << 32 << 1, 8));
        append(file, Bytes{0xEC});
        append(file, encodeSize(static_cast<uint64_t>(target - data - 9), 8));
        expectError(verifyBytes(file, declared), nvr::MkvErrorCode::Io, target);

        // ...and through a seek entry.
        Bytes children = seekHead(seekEntry(kInfo, static_cast<uint64_t>(target - data)));
        append(children, plainTag());
        expectError(verifyBytes(recording(children), declared), nvr::MkvErrorCode::Io, target);
    }
}

// The read budget: overlapping elements cannot make the reader copy or walk
// the same bytes again and again.
TEST(ReadBudget, ManySeekTargetsClaimingTheRestOfTheFileAreStopped) {
    // 4000 seek entries name 4000 different Info elements, each of whose
    // text claims everything up to the end of the file: one by one they fit
    // the file, together they would copy about 4000 times its size.
    constexpr int kTargets = 4000;
    const Bytes entry = seekEntry(kInfo, 0);
    const uint64_t headSize =
        encode(el(kSeekHead, Bytes(entry.size() * kTargets)).withSizeWidth(8)).size();
    constexpr uint64_t kInfoSize = 4 + 8 + 2 + 8;  // Info header, text header
    const uint64_t tail = 64 * 1024;
    const uint64_t segmentSize = headSize + kTargets * kInfoSize + tail;

    Bytes children = encode(raw(encodeId(kSeekHead)));
    append(children, encodeSize(entry.size() * kTargets, 8));
    for (uint64_t i = 0; i < kTargets; ++i) {
        append(children, seekEntry(kInfo, headSize + i * kInfoSize));
    }
    std::vector<int64_t> textAt;
    for (uint64_t i = 0; i < kTargets; ++i) {
        const uint64_t infoAt = headSize + i * kInfoSize;
        const uint64_t textData = infoAt + kInfoSize;
        append(children, encode(raw(encodeId(kInfo))));
        append(children, encodeSize(10, 8));
        append(children, encode(raw(encodeId(0x4D80))));
        append(children, encodeSize(segmentSize - textData, 8));
        textAt.push_back(segmentDataOffset() + static_cast<int64_t>(infoAt + 12));
    }
    append(children, Bytes(tail, 'x'));
    const Outcome outcome = verifyBytes(recording(children));
    ASSERT_TRUE(outcome.threw) << outcome.text;
    EXPECT_EQ(outcome.code, nvr::MkvErrorCode::OutOfRange);
    // Stopped at one of the texts, early: within twice the file's size.
    const auto at = std::find(textAt.begin(), textAt.end(), outcome.position);
    ASSERT_NE(at, textAt.end()) << outcome.text;
    EXPECT_LT(at - textAt.begin(), 40);
}

TEST(ReadBudget, ManySmallMastersSpanningTheRestAreStopped) {
    // 3000 Tracks elements, each holding one track entry whose first child
    // jumps to a shared run of 30 000 Void elements and walks it: without a
    // bound, 90 million header reads from a file of 150 KiB.
    constexpr int kMasters = 3000;
    constexpr int kVoids = 30'000;
    constexpr uint64_t kMasterSize = 4 + 1 + 1 + 8 + 1 + 8;
    const uint64_t runAt = kMasters * kMasterSize;
    const uint64_t runSize = kVoids * 3;
    Bytes children;
    for (uint64_t i = 0; i < kMasters; ++i) {
        const uint64_t entryData = i * kMasterSize + 4 + 1 + 1 + 8;
        append(children, encodeId(kTracks));
        append(children, encodeSize(1 + 8 + 1 + 8, 1));
        append(children, Bytes{0xAE});
        append(children, encodeSize(runAt + runSize - entryData, 8));
        append(children, Bytes{0xEC});  // the skip to the run, as a Void
        append(children, encodeSize(runAt - (entryData + 9), 8));
    }
    for (int i = 0; i < kVoids; ++i) {
        append(children, {0xEC, 0x81, 0x00});
    }
    append(children, plainTag());
    const Outcome outcome = verifyBytes(recording(children));
    ASSERT_TRUE(outcome.threw) << outcome.text;
    EXPECT_EQ(outcome.code, nvr::MkvErrorCode::OutOfRange) << outcome.text;
}

TEST(ReadBudget, DenseSoundFilesAreNotAffected) {
    // Every kind of metadata the parser loads, many times over, in a file
    // whose elements do not overlap: all of it is read.
    constexpr int kItems = 5000;
    std::vector<Element> entries;
    std::vector<Element> points;
    std::vector<Element> files;
    for (int i = 0; i < kItems; ++i) {
        entries.push_back(
            el(0xAE, {uintEl(0xD7, static_cast<uint64_t>(i + 1)), strEl(0x86, "V_MS/VFW/FOURCC"),
                      strEl(0x536E, "camera"), el(0xE0, {uintEl(0xB0, 640), uintEl(0xBA, 480)})}));
        points.push_back(el(0xBB, {uintEl(0xB3, static_cast<uint64_t>(i)),
                                   el(0xB7, {uintEl(0xF7, 1), uintEl(0xF1, 100)})}));
        files.push_back(
            el(0x61A7, {strEl(0x466E, "f.txt"), strEl(0x4660, "text/plain"), strEl(0x465C, "x")}));
    }
    Bytes value;
    const Bytes cluster = hostile::signedCluster({}, &value);
    Bytes children = encode({el(kInfo, {strEl(0x4D80, "mux"), strEl(0x5741, "writer")}),
                             el(kTracks, entries), el(0x1C53BB6B, points), el(0x1941A469, files)});
    append(children, hostile::signedTag(value));
    append(children, cluster);
    const Bytes file = recording(children);
    const auto parser = parsed(file);
    EXPECT_EQ(parser->parsedSegment().tracks.items.at(0).items.size(), static_cast<size_t>(kItems));
    EXPECT_EQ(parser->parsedSegment().cues.items.size(), static_cast<size_t>(kItems));
    EXPECT_EQ(parser->parsedSegment().attachments.items.size(), static_cast<size_t>(kItems));
    EXPECT_EQ(parser->verifySignatures(nullptr, nullptr), VerifyWalkResult::Ok)
        << parser->verifyDetail();
}
