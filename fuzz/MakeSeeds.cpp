// Writes the seed corpus of the fuzz targets into a folder:
//   verify/   small recordings from the test recorder: valid chains of every
//             signature kind and digest, every tampering it knows, Void
//             padding, and layouts it does not write itself (the tag after
//             the clusters, two seek heads, extra metadata elements) made by
//             moving its signed elements, which stay valid wherever they lie;
//   element/  one record of each kind the reader parses, behind the control
//             byte of the element target.
// Seeds are made at build time with the keys of that build, so the fuzzer
// starts from files that really verify.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/EbmlWriter.h"
#include "support/FrameForgeries.h"
#include "support/TestRecorder.h"

namespace {

namespace fs = std::filesystem;
using ebml::Bytes;
using recorder::RecorderOptions;
using recorder::Tampering;

constexpr uint64_t kSegment = 0x18538067;
constexpr uint64_t kSeekHead = 0x114D9B74;
constexpr uint64_t kInfo = 0x1549A966;
constexpr uint64_t kTracks = 0x1654AE6B;
constexpr uint64_t kCues = 0x1C53BB6B;
constexpr uint64_t kAttachments = 0x1941A469;
constexpr uint64_t kTag = 0x134E5652;

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

Bytes slice(const Bytes& bytes, int64_t begin, int64_t end) {
    return Bytes(bytes.begin() + begin, bytes.begin() + end);
}

// Small recordings: a few hundred bytes of frames, so the fuzzer runs fast.
RecorderOptions small() {
    RecorderOptions options;
    options.clusterCount = 2;
    options.blocksPerCluster = 1;
    options.blockSize = 48;
    return options;
}

// The signed pieces of a recording, to be laid out anew.
struct Pieces {
    Bytes info;
    Bytes tracks;
    Bytes tag;
    std::vector<Bytes> clusters;
};

Pieces piecesOf(const Bytes& bytes, const recorder::Recording& rec) {
    Pieces pieces;
    pieces.info = slice(bytes, rec.infoOffset, rec.tracksOffset);
    pieces.tracks = slice(bytes, rec.tracksOffset, rec.tag.headerOffset);
    pieces.tag = slice(bytes, rec.tag.headerOffset, rec.tag.endOffset);
    for (const recorder::ClusterRecord& cluster : rec.clusters) {
        pieces.clusters.push_back(slice(bytes, cluster.headerOffset, cluster.endOffset));
    }
    return pieces;
}

// Seek entries: (element ID, index of the segment child it points at).
using SeekEntries = std::vector<std::pair<uint64_t, size_t>>;

Bytes seekHead(const SeekEntries& entries, const std::vector<int64_t>& offsets) {
    std::vector<ebml::Element> seeks;
    for (const auto& [id, target] : entries) {
        const auto position = offsets.empty() ? 0 : static_cast<uint64_t>(offsets[target]);
        // Fixed width: the seek head's size does not depend on the positions.
        seeks.push_back(ebml::el(
            0x4DBB, {ebml::el(0x53AB, ebml::encodeId(id)), ebml::uintEl(0x53AC, position, 8)}));
    }
    return ebml::encode(ebml::el(kSeekHead, seeks));
}

// A file of an EBML header and one Segment holding `children`; the children
// at the keys of `heads` are replaced by seek heads with those entries.
Bytes segmentFile(std::vector<Bytes> children, const std::map<size_t, SeekEntries>& heads) {
    for (const auto& [at, entries] : heads) {
        children[at] = seekHead(entries, {});
    }
    std::vector<int64_t> offsets;
    int64_t position = 0;
    for (const Bytes& child : children) {
        offsets.push_back(position);
        position += static_cast<int64_t>(child.size());
    }
    for (const auto& [at, entries] : heads) {
        children[at] = seekHead(entries, offsets);
    }
    Bytes file = ebml::encode(ebml::ebmlHeader("matroska"));
    append(file, ebml::encodeId(kSegment));
    append(file, ebml::encodeSize(static_cast<uint64_t>(position), 8));
    for (const Bytes& child : children) {
        append(file, child);
    }
    return file;
}

Bytes cues() {
    using namespace ebml;
    return encode(el(
        kCues, {el(0xBB, {uintEl(0xB3, 0), el(0xB7, {uintEl(0xF7, 1), uintEl(0xF1, 300)})}),
                el(0xBB, {uintEl(0xB3, 1000), el(0xB7, {uintEl(0xF7, 1), uintEl(0xF1, 900)})})}));
}

Bytes attachments() {
    using namespace ebml;
    return encode(el(kAttachments, {el(0x61A7, {strEl(0x467E, "plate"), strEl(0x466E, "plate.txt"),
                                                strEl(0x4660, "text/plain"),
                                                strEl(0x465C, "AB-123"), uintEl(0x46AE, 77)})}));
}

void writeVerifySeeds(const fs::path& dir) {
    const fs::path scratch = dir / "scratch.tmp";
    const auto record = [&dir](const std::string& name, const RecorderOptions& options) {
        recorder::writeRecording((dir / (name + ".mkv")).string(), options);
    };

    record("authentic", small());
    {
        RecorderOptions o = small();
        o.clusterCount = 3;
        o.blocksPerCluster = 2;
        o.blockSize = 24;
        record("three-clusters", o);
    }
    for (uint32_t digest = 1; digest <= 4; ++digest) {
        RecorderOptions o = small();
        o.tagSignature = {digest % 2 == 0 ? recorder::kKindHmac : recorder::kKindRsa, digest};
        o.firstCluster = {recorder::kKindHmac, digest};
        o.laterClusters = {recorder::kKindHmac, 5 - digest};
        record("digest-" + std::to_string(digest), o);
    }
    {
        RecorderOptions o = small();
        o.firstCluster = {recorder::kKindRsa, 3};
        record("rsa-first-cluster", o);
        o.laterClusters = {recorder::kKindRsa, 3};  // the chain key is no public key
        record("rsa-later-cluster", o);
    }
    {
        RecorderOptions o = small();
        o.firstCluster = {recorder::kKindHmac, 5};
        record("digest-out-of-range", o);
        o = small();
        o.clusterSignature[0] = {3, 3};
        record("unknown-kind", o);
        o = small();
        o.clusterCount = 0;
        record("no-clusters", o);
        o = small();
        o.voidBeforeTag = 40;
        record("void-before-tag", o);
    }

    const std::vector<std::pair<std::string, Tampering>> tamperings = {
        {"flip-cluster-byte", Tampering::flipClusterByte(1)},
        {"flip-tag-byte", Tampering::flipTagByte()},
        {"swap-clusters", Tampering::swapClusters(0, 1)},
        {"drop-cluster", Tampering::dropCluster(1)},
        {"foreign-cluster", Tampering::insertForeignCluster(1)},
        {"truncated", Tampering::truncateInLastCluster()},
        {"wrong-final-signature", Tampering::wrongFinalSignature()},
        {"missing-tag", Tampering::missingTag()},
        {"tag-without-serial", Tampering::tagWithoutSerial()},
        {"signature-last", Tampering::signatureLast(1)},
        {"decoy-signature", Tampering::decoyBeforeSignature(1)},
        {"extra-value-byte", Tampering::extraValueByte(1)},
        {"unsigned", Tampering::unsignedRecording()},
    };
    for (const auto& [name, tampering] : tamperings) {
        RecorderOptions o = small();
        o.clusterCount = 3;
        o.tampering.push_back(tampering);
        record(name, o);
    }

    // Frames a player reads outside the proof.
    const std::vector<std::pair<std::string, recorder::FrameForgery>> forgeries = {
        {"clusters-appended", recorder::FrameForgery::ClustersAppended},
        {"second-segment", recorder::FrameForgery::SecondSegment},
        {"block-group-appended", recorder::FrameForgery::BlockGroupAppended},
        {"unknown-size-cluster", recorder::FrameForgery::UnknownSizeCluster},
        {"cluster-in-void", recorder::FrameForgery::HiddenInVoid},
    };
    for (const auto& [name, forgery] : forgeries) {
        const RecorderOptions o = recorder::forgeryBase(forgery, small());
        const recorder::Recording written =
            recorder::writeRecording((dir / (name + ".mkv")).string(), o);
        recorder::forgeFrames(forgery, written, o);
    }

    // Layouts made by moving the signed elements of one valid recording.
    const recorder::Recording rec = recorder::writeRecording(scratch.string(), small());
    const Bytes original = readFile(scratch);
    fs::remove(scratch);
    {
        RecorderOptions o = small();
        o.firstClusterAt = rec.clusters.at(0).headerOffset + 64;
        record("void-before-first-cluster", o);
    }
    const Pieces p = piecesOf(original, rec);
    const Bytes voidPad = ebml::encode(ebml::voidEl(16));

    // The tag after the clusters, found only through the seek head.
    writeFile(dir / "tag-after-clusters.mkv",
              segmentFile({{}, p.info, p.tracks, p.clusters[0], p.clusters[1], p.tag},
                          {{0, {{kInfo, 1}, {kTracks, 2}, {kTag, 5}}}}));
    // A seek head that names a second one, which names the tag; both are
    // also met directly.
    writeFile(dir / "two-seek-heads.mkv",
              segmentFile({{}, {}, p.info, p.tracks, p.tag, p.clusters[0], p.clusters[1]},
                          {{0, {{kInfo, 2}, {kSeekHead, 1}}}, {1, {{kTracks, 3}, {kTag, 4}}}}));
    // A seek head listing itself and every kind of metadata, with Cues,
    // Attachments, Chapters, Tags and Void padding between the clusters.
    writeFile(dir / "all-metadata.mkv",
              segmentFile({{},
                           p.info,
                           p.tracks,
                           cues(),
                           attachments(),
                           p.tag,
                           ebml::encode(ebml::el(0x1043A770, {ebml::voidEl(4)})),
                           ebml::encode(ebml::el(0x1254C367, {ebml::voidEl(4)})),
                           p.clusters[0],
                           voidPad,
                           p.clusters[1]},
                          {{0,
                            {{kSeekHead, 0},
                             {kInfo, 1},
                             {kTracks, 2},
                             {kCues, 3},
                             {kAttachments, 4},
                             {kTag, 5}}}}));
    // Seek entries naming the wrong kind of element at their target.
    writeFile(dir / "mismatched-seek-entries.mkv",
              segmentFile({{}, p.info, p.tracks, p.tag, p.clusters[0], p.clusters[1]},
                          {{0, {{kInfo, 2}, {kTracks, 1}, {kCues, 3}, {kTag, 3}}}}));
}

void writeElementSeeds(const fs::path& dir) {
    using namespace ebml;
    const auto seed = [&dir](const std::string& name, uint8_t control, const Element& element) {
        Bytes bytes{control};
        append(bytes, encode(element));
        writeFile(dir / (name + ".bin"), bytes);
    };
    const Element signature =
        el(0x4153, {uintEl(0xDC, 2), uintEl(0xDD, 3), el(0xDE, Bytes(32, 0xA5))});
    const Element tag =
        el(kTag, {signature, uintEl(0x6E10, 1), uintEl(0x6E11, 0), strEl(0x6E12, "TLV-1"),
                  strEl(0x6E13, "2026-12-01 08:00:00"), strEl(0x6E14, "2026-12-01 09:00:00"),
                  el(0x6E15, Bytes(32, 0x5A))});
    const Element info =
        el(kInfo, {uintEl(0x2AD7B1, 1000000), strEl(0x4D80, "mux"), strEl(0x5741, "writer"),
                   el(0x73A4, Bytes(16, 0x11)), floatEl(0x4489, 2000.0)});
    const Element video =
        el(0xAE, {uintEl(0xD7, 1), uintEl(0x73C5, 0x1122334455ull), uintEl(0x83, 1),
                  uintEl(0xB9, 1), uintEl(0x9C, 0), strEl(0x22B59C, "eng"),
                  strEl(0x86, "V_MPEG4/ISO/AVC"), strEl(0x536E, "Gate"),
                  el(0xE0, {uintEl(0xB0, 1280), uintEl(0xBA, 720), uintEl(0x54B0, 16),
                            uintEl(0x54BA, 9), uintEl(0x54B2, 3), uintEl(0x54B3, 1)})});
    const Element audio =
        el(0xAE, {uintEl(0xD7, 2), uintEl(0x83, 2), strEl(0x86, "A_PCM/INT/LIT"),
                  el(0xE1, {float32El(0xB5, 8000.0f), uintEl(0x9F, 1), uintEl(0x6264, 16)})});
    const Element cuePoint =
        el(0xBB, {uintEl(0xB3, 1000), el(0xB7, {uintEl(0xF7, 1), uintEl(0xF1, 4096)})});
    const Element seekHeadEl =
        el(kSeekHead, {el(0x4DBB, {el(0x53AB, encodeId(kInfo)), uintEl(0x53AC, 40)}),
                       el(0x4DBB, {el(0x53AB, encodeId(kTag)), uintEl(0x53AC, 90, 8)})});

    seed("ebml-header", 0, ebmlHeader());
    seed("info", 1, info);
    seed("tracks", 2, el(kTracks, {video, audio}));
    seed("track-entry-audio", 3, audio);
    seed("cues", 4, el(kCues, {cuePoint, cuePoint}));
    seed("cue-point", 5, cuePoint);
    seed("attachments", 6,
         el(kAttachments,
            {el(0x61A7, {strEl(0x467E, "d"), strEl(0x466E, "n.txt"), strEl(0x4660, "text/plain"),
                         strEl(0x465C, "data"), uintEl(0x46AE, 5)})}));
    seed("seek-head", 7, seekHeadEl);
    seed("signature", 8, signature);
    seed("tag", 9, tag);
    seed("tag-cut", 0x99, tag);  // claims more bytes than it holds
    // A segment whose seek head names its Info and tag, then a cluster.
    const Bytes infoBytes = encode(info);
    const Bytes seekBytes =
        encode(el(kSeekHead, {el(0x4DBB, {el(0x53AB, encodeId(kInfo)), uintEl(0x53AC, 0, 8)}),
                              el(0x4DBB, {el(0x53AB, encodeId(kTag)), uintEl(0x53AC, 0, 8)})}));
    const auto infoAt = static_cast<uint64_t>(seekBytes.size());
    const uint64_t tagAt = infoAt + infoBytes.size();
    seed("segment", 10,
         el(kSegment,
            {el(kSeekHead, {el(0x4DBB, {el(0x53AB, encodeId(kInfo)), uintEl(0x53AC, infoAt, 8)}),
                            el(0x4DBB, {el(0x53AB, encodeId(kTag)), uintEl(0x53AC, tagAt, 8)})}),
             info, tag, el(0x1F43B675, {uintEl(0xE7, 0), signature})})
             .withSizeWidth(8));
    // Widest IDs and sizes the decoders take.
    seed("wide-header", 1,
         el(kInfo,
            {el(0x4D80, bytesOf("wide")).withSizeWidth(8), el(0x0100000000000042ull, Bytes{1})})
             .withSizeWidth(8));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    try {
        const fs::path out = argv[1];
        fs::create_directories(out / "verify");
        fs::create_directories(out / "element");
        writeVerifySeeds(out / "verify");
        writeElementSeeds(out / "element");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "telvar-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
