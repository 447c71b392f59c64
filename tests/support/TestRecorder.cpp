#include "support/TestRecorder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include "support/EbmlWriter.h"
#include "support/ElementIds.h"
#include "support/SourceClip.h"

namespace recorder {

namespace {

constexpr uint64_t kIdSeekHead = 0x114D9B74;
constexpr uint64_t kIdSeek = 0x4DBB;
constexpr uint64_t kIdSeekId = 0x53AB;
constexpr uint64_t kIdSeekPosition = 0x53AC;
constexpr uint64_t kIdSignature = 0x4153;
constexpr uint64_t kIdTag = 0x134E5652;

// Segment and cluster sizes are 8 bytes wide so they can be written before
// the payload exists and patched without moving anything.
constexpr int kLongSizeWidth = 8;
// A fixed block size width makes a cluster's size a plain sum of its frames.
constexpr int kBlockSizeWidth = 4;
constexpr uint64_t kBlockHeader = 1 + kBlockSizeWidth + 4;  // ID, size, track, timecode, flags
constexpr uint64_t kMaxFrame = (uint64_t{1} << (7 * kBlockSizeWidth)) - 2 - 4;
constexpr size_t kChunk = 64 * 1024;  // multiple of 8: chunking never changes the bytes
constexpr uint32_t kDecoyKind = 3;
constexpr size_t kUnsignableValueSize = 32;

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

uint64_t splitmix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t mix(uint64_t a, uint64_t b) {
    uint64_t state = a ^ (b * 0xD1B54A32D192ED03ull);
    return splitmix(state);
}

void fillRandom(uint64_t& state, uint8_t* out, size_t length) {
    while (length > 0) {
        const uint64_t word = splitmix(state);
        const size_t n = std::min<size_t>(length, sizeof word);
        std::memcpy(out, &word, n);
        out += n;
        length -= n;
    }
}

// The file being written: appends go through the stream's buffer; patches
// and reads go straight to the descriptor after a flush.
class Output {
  public:
    explicit Output(const std::string& path) : file(std::fopen(path.c_str(), "wb+")), name(path) {
        if (!file) {
            throw std::runtime_error("cannot create " + path);
        }
        std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 20);
    }

    int64_t position() const { return written; }

    void append(const uint8_t* data, size_t length) {
        if (length != 0 && std::fwrite(data, 1, length, file.get()) != length) {
            throw std::runtime_error("short write to " + name);
        }
        written += static_cast<int64_t>(length);
    }
    void append(const Bytes& bytes) { append(bytes.data(), bytes.size()); }

    void patch(int64_t offset, const Bytes& bytes) {
        flush();
        const ssize_t n = ::pwrite(fd(), bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n != static_cast<ssize_t>(bytes.size())) {
            throw std::runtime_error("cannot patch " + name);
        }
    }

    uint8_t readByte(int64_t offset) {
        flush();
        uint8_t byte = 0;
        if (::pread(fd(), &byte, 1, static_cast<off_t>(offset)) != 1) {
            throw std::runtime_error("cannot read back " + name);
        }
        return byte;
    }

    void truncate(int64_t size) {
        flush();
        if (::ftruncate(fd(), static_cast<off_t>(size)) != 0) {
            throw std::runtime_error("cannot truncate " + name);
        }
    }

    void close() {
        if (std::fclose(file.release()) != 0) {
            throw std::runtime_error("cannot finish " + name);
        }
    }

  private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    int fd() const { return ::fileno(file.get()); }
    void flush() {
        if (std::fflush(file.get()) != 0) {
            throw std::runtime_error("cannot flush " + name);
        }
    }

    std::unique_ptr<std::FILE, FileCloser> file;
    std::string name;
    int64_t written = 0;
};

struct ClusterPlan {
    int chainIndex = -1;
    uint64_t seed = 0;
    uint64_t timecode = 0;
    SignatureParams params;
    bool isSigned = true;
    bool signatureLast = false;
    bool decoy = false;
    bool frameBefore = false;
    bool extraByte = false;
    bool shortByte = false;
    bool altered = false;  // written with another cluster's frames, stored value of its own
    std::vector<uint64_t> frames;
    int content = -1;  // the source clip's cluster whose frames it carries; -1: none
};

// A small keyframe that a forger puts where no signature covers it.
Bytes unsignedFrame() {
    Bytes block = {0x81, 0x00, 0x00, 0x80};
    block.resize(block.size() + 16, 0x5A);
    return ebml::encode(ebml::el(kIdSimpleBlock, block));
}

Bytes signatureElement(const SignatureParams& params, const Bytes& value) {
    return ebml::encode(
        ebml::el(kIdSignature, {ebml::uintEl(0xDC, params.kind),
                                ebml::uintEl(0xDD, params.digestType), ebml::el(0xDE, value)}));
}

// What the tag looks like for given values; offsets are from its first byte.
struct TagLayout {
    Bytes bytes;
    size_t headerSize = 0;
    size_t signatureAt = 0;
    size_t signedAt = 0;
    size_t serialAt = 0;
    bool hasSerial = false;
};

class Writer {
  public:
    Writer(const RecorderOptions& options, const RecorderKeys& recorderKeys)
        : opt(options), keys(recorderKeys), buffer(kChunk) {}

    Recording write(const std::string& path);

  private:
    bool has(Tampering::Kind kind) const {
        return std::any_of(opt.tampering.begin(), opt.tampering.end(),
                           [kind](const Tampering& t) { return t.kind == kind; });
    }
    bool isSigned() const { return !has(Tampering::Kind::Unsigned); }
    // Reserved before any cluster is signed; a wrong final value of an empty
    // chain is one byte long.
    size_t finalSize() const {
        if (!isSigned()) {
            return 0;
        }
        if (chain.empty()) {
            return has(Tampering::Kind::WrongFinalSignature) ? 1 : 0;
        }
        return storedSize(chain.back());
    }

    void validate() const;
    void planClusters();
    std::vector<uint64_t> framesFor(const ClusterPlan& plan) const;
    uint64_t fixedPayload(const ClusterPlan& plan) const;
    size_t valueSize(const SignatureParams& params) const;
    size_t storedSize(const ClusterPlan& plan) const {
        return valueSize(plan.params) + (plan.extraByte ? 1 : 0) - (plan.shortByte ? 1 : 0);
    }
    std::optional<StreamSigner> signerFor(const SignatureParams& params, const Bytes& key) const;
    Bytes finishValue(std::optional<StreamSigner>& signer, const SignatureParams& params) const;

    const ClipCluster* clipOf(const ClusterPlan& plan) const {
        return clip && plan.content >= 0 ? &clip->clusters[static_cast<size_t>(plan.content)]
                                         : nullptr;
    }
    uint64_t blockBytes(const ClusterPlan& plan) const;
    // Where a flipped byte changes a frame and no element header.
    std::optional<int64_t> firstFrameMiddle(const ClusterPlan& plan) const;
    void replaceContent(const Tampering& t);

    // `stored`: the value written instead of the one computed (altered content).
    Bytes emitCluster(const ClusterPlan& plan, const Bytes& key, Output* out, ClusterRecord* record,
                      const Bytes* stored = nullptr);
    const Bytes& chainValue(int index);
    // The key chain cluster `index` is signed with: the value before it, the
    // recorder's key for the first, or a restart's key.
    Bytes chainKey(int index);

    TagLayout buildTag(const Bytes& value, const Bytes& finalSignature) const;
    Bytes seekHead(const std::vector<std::pair<uint64_t, int64_t>>& entries) const;
    Bytes info() const;
    Bytes tracks() const;
    void writeTag(Output& out, Recording& rec);
    void tamperAfterWriting(Output& out, Recording& rec);

    const RecorderOptions& opt;
    const RecorderKeys& keys;
    std::optional<SourceClip> clip;
    int count = 0;                    // clusters of the chain: the clip's, or as asked
    std::vector<ClusterPlan> chain;   // the intact sequence
    std::vector<ClusterPlan> inFile;  // what is written, in file order
    std::vector<std::optional<Bytes>> values;
    std::vector<uint8_t> buffer;
};

void Writer::validate() const {
    if (opt.clusterCount < 0 || opt.blocksPerCluster < 0) {
        throw std::invalid_argument("cluster and block counts cannot be negative");
    }
    if (opt.blockSize > kMaxFrame) {
        throw std::invalid_argument("block size too large");
    }
    for (const Tampering& t : opt.tampering) {
        using K = Tampering::Kind;
        const bool needsCluster = t.kind == K::FlipClusterByte || t.kind == K::SwapClusters ||
                                  t.kind == K::DropCluster || t.kind == K::SignatureLast ||
                                  t.kind == K::DecoyBeforeSignature ||
                                  t.kind == K::ExtraValueByte || t.kind == K::ShortValueByte ||
                                  t.kind == K::ReplaceContent || t.kind == K::DuplicateCluster ||
                                  t.kind == K::CopyCluster || t.kind == K::FrameBeforeSignature;
        if (needsCluster && (t.cluster < 0 || t.cluster >= count)) {
            throw std::invalid_argument("tampering names a cluster that does not exist");
        }
        if ((t.kind == K::SwapClusters || t.kind == K::ReplaceContent ||
             t.kind == K::CopyCluster) &&
            (t.other < 0 || t.other >= count || t.other == t.cluster)) {
            throw std::invalid_argument("swap and replace need two different clusters");
        }
        if (t.kind == K::InsertForeignCluster && (t.cluster < 0 || t.cluster > count)) {
            throw std::invalid_argument("foreign cluster position out of range");
        }
        if (t.kind == K::TruncateInLastCluster && count == 0) {
            throw std::invalid_argument("no cluster to cut");
        }
    }
}

size_t Writer::valueSize(const SignatureParams& params) const {
    if (params.kind == kKindRsa) {
        return keys.rsaSize();
    }
    if (params.kind == kKindHmac && digestSize(params.digestType) != 0) {
        return digestSize(params.digestType);
    }
    return kUnsignableValueSize;
}

uint64_t Writer::fixedPayload(const ClusterPlan& plan) const {
    uint64_t size = ebml::encode(ebml::uintEl(kIdTimecode, plan.timecode)).size();
    if (plan.decoy) {
        size += signatureElement({kDecoyKind, 3}, Bytes(kUnsignableValueSize)).size();
    }
    if (plan.frameBefore) {
        size += unsignedFrame().size();
    }
    if (plan.isSigned) {
        size += signatureElement(plan.params, Bytes(storedSize(plan))).size();
    }
    return size;
}

std::vector<uint64_t> Writer::framesFor(const ClusterPlan& plan) const {
    const auto blocks = static_cast<uint64_t>(opt.blocksPerCluster);
    if (!opt.clusterPayloadSize) {
        return std::vector<uint64_t>(blocks, opt.blockSize);
    }
    const uint64_t fixed = fixedPayload(plan);
    const uint64_t payload = *opt.clusterPayloadSize;
    if (payload < fixed + blocks * kBlockHeader || (blocks == 0 && payload != fixed)) {
        throw std::invalid_argument("cluster payload size too small for its elements");
    }
    if (blocks == 0) {
        return {};
    }
    const uint64_t frameBytes = payload - fixed - blocks * kBlockHeader;
    std::vector<uint64_t> frames(blocks, frameBytes / blocks);
    frames.back() += frameBytes % blocks;
    if (frames.back() > kMaxFrame) {
        throw std::invalid_argument("cluster payload size needs more blocks");
    }
    return frames;
}

void Writer::planClusters() {
    using K = Tampering::Kind;
    for (int i = 0; i < count; ++i) {
        ClusterPlan plan;
        plan.chainIndex = i;
        plan.seed = mix(opt.seed, static_cast<uint64_t>(i));
        plan.timecode = static_cast<uint64_t>(i) * opt.clusterDurationMs;
        if (clip) {
            plan.content = i;
            plan.timecode = clip->clusters[static_cast<size_t>(i)].timecode;
        }
        plan.params = opt.signatureOf(i);
        plan.isSigned = isSigned();
        chain.push_back(plan);
    }
    for (const Tampering& t : opt.tampering) {
        switch (t.kind) {
            case K::SignatureLast:
                chain[t.cluster].signatureLast = true;
                break;
            case K::DecoyBeforeSignature:
                chain[t.cluster].decoy = true;
                break;
            case K::FrameBeforeSignature:
                chain[t.cluster].frameBefore = true;
                break;
            case K::ExtraValueByte:
                chain[t.cluster].extraByte = true;
                break;
            case K::ShortValueByte:
                chain[t.cluster].shortByte = true;
                break;
            default:
                break;
        }
    }
    for (ClusterPlan& plan : chain) {
        if (!clip) {
            plan.frames = framesFor(plan);
        }
    }
    values.assign(chain.size(), std::nullopt);

    inFile = chain;
    const auto positionOf = [this](int chainIndex) {
        return std::find_if(inFile.begin(), inFile.end(), [chainIndex](const ClusterPlan& p) {
            return p.chainIndex == chainIndex;
        });
    };
    std::map<int, uint64_t> insertedAt;  // foreign clusters so far, by place
    for (const Tampering& t : opt.tampering) {
        switch (t.kind) {
            case K::SwapClusters: {
                const auto a = positionOf(t.cluster);
                const auto b = positionOf(t.other);
                if (a == inFile.end() || b == inFile.end()) {
                    throw std::invalid_argument("cannot swap a dropped cluster");
                }
                std::iter_swap(a, b);
                break;
            }
            case K::DropCluster: {
                const auto it = positionOf(t.cluster);
                if (it == inFile.end()) {
                    throw std::invalid_argument("cluster dropped twice");
                }
                inFile.erase(it);
                break;
            }
            case K::InsertForeignCluster: {
                ClusterPlan foreign;
                foreign.seed = mix(~opt.seed, static_cast<uint64_t>(t.cluster));
                if (const uint64_t before = insertedAt[t.cluster]++; before > 0) {
                    foreign.seed = mix(foreign.seed, before);
                }
                foreign.timecode = static_cast<uint64_t>(t.cluster) * opt.clusterDurationMs;
                foreign.params = opt.firstCluster;
                foreign.isSigned = isSigned();
                if (clip) {
                    foreign.content = std::min(t.cluster, count - 1);
                    foreign.timecode = clipOf(foreign) != nullptr ? clipOf(foreign)->timecode : 0;
                } else {
                    foreign.frames = framesFor(foreign);
                }
                if (t.timecode) {
                    foreign.timecode = *t.timecode;
                }
                const auto at = t.cluster == count ? inFile.end() : positionOf(t.cluster);
                inFile.insert(at, foreign);
                break;
            }
            case K::ReplaceContent:
                replaceContent(t);
                break;
            case K::DuplicateCluster: {
                const auto it = positionOf(t.cluster);
                if (it == inFile.end()) {
                    throw std::invalid_argument("cannot copy a dropped cluster");
                }
                inFile.insert(it + 1, *it);
                break;
            }
            case K::CopyCluster: {
                const auto it = positionOf(t.cluster);
                const auto at = positionOf(t.other);
                if (it == inFile.end() || at == inFile.end()) {
                    throw std::invalid_argument("cannot copy a dropped cluster");
                }
                const ClusterPlan copy = *it;
                inFile.insert(at, copy);
                break;
            }
            default:
                break;
        }
    }
}

void Writer::replaceContent(const Tampering& t) {
    const auto it = std::find_if(inFile.begin(), inFile.end(),
                                 [&t](const ClusterPlan& p) { return p.chainIndex == t.cluster; });
    if (it == inFile.end()) {
        throw std::invalid_argument("cannot replace the frames of a dropped cluster");
    }
    const ClusterPlan& source = chain[static_cast<size_t>(t.other)];
    it->seed = source.seed;
    it->frames = source.frames;
    it->content = source.content;
    it->altered = true;
}

uint64_t Writer::blockBytes(const ClusterPlan& plan) const {
    if (clip) {
        const ClipCluster* source = clipOf(plan);
        return source != nullptr ? source->blocks.size() : 0;
    }
    uint64_t sum = 0;
    for (uint64_t frame : plan.frames) {
        sum += kBlockHeader + frame;
    }
    return sum;
}

std::optional<int64_t> Writer::firstFrameMiddle(const ClusterPlan& plan) const {
    if (clip) {
        const ClipCluster* source = clipOf(plan);
        if (source == nullptr || source->firstFrameSize == 0) {
            return std::nullopt;
        }
        return static_cast<int64_t>(source->firstFrameAt + source->firstFrameSize / 2);
    }
    if (plan.frames.empty() || plan.frames[0] == 0) {
        return std::nullopt;
    }
    return static_cast<int64_t>(kBlockHeader + plan.frames[0] / 2);
}

std::optional<StreamSigner> Writer::signerFor(const SignatureParams& params,
                                              const Bytes& key) const {
    if (digestSize(params.digestType) == 0) {
        return std::nullopt;
    }
    if (params.kind == kKindHmac) {
        return StreamSigner::hmac(params.digestType, key.empty() ? keys.hmacKey : key);
    }
    if (params.kind == kKindRsa) {
        // Later in a chain the verifier reads the previous value as a public
        // key, which no signature value is; the only key we can sign with
        // is ours, so such a cluster exercises the verifier's key failure.
        return StreamSigner::rsa(params.digestType, keys.rsaPrivate.get());
    }
    return std::nullopt;
}

Bytes Writer::finishValue(std::optional<StreamSigner>& signer,
                          const SignatureParams& params) const {
    Bytes value = signer ? signer->finish() : Bytes(valueSize(params), 0);
    if (value.size() != valueSize(params)) {
        throw std::logic_error("signature value size differs from the reserved size");
    }
    return value;
}

Bytes Writer::emitCluster(const ClusterPlan& plan, const Bytes& key, Output* out,
                          ClusterRecord* record, const Bytes* stored) {
    const uint64_t payload = fixedPayload(plan) + blockBytes(plan);
    const size_t storedBytes = storedSize(plan);
    const Bytes placeholder = signatureElement(plan.params, Bytes(storedBytes, 0));

    std::optional<StreamSigner> signer =
        plan.isSigned ? signerFor(plan.params, key) : std::optional<StreamSigner>();
    bool covered = false;
    int64_t position = out != nullptr ? out->position() : 0;
    const auto put = [&](const uint8_t* data, size_t length) {
        if (out != nullptr) {
            out->append(data, length);
        }
        if (covered && signer) {
            signer->update(data, length);
        }
        position += static_cast<int64_t>(length);
    };
    const auto putBytes = [&put](const Bytes& bytes) { put(bytes.data(), bytes.size()); };

    ClusterRecord rec;
    rec.chainIndex = plan.chainIndex;
    rec.timecode = plan.timecode;
    rec.headerOffset = position;
    Bytes header = ebml::encodeId(kIdCluster);
    append(header, ebml::encodeSize(payload, kLongSizeWidth));
    putBytes(header);
    rec.dataOffset = position;
    Bytes timecode = ebml::encode(ebml::uintEl(kIdTimecode, plan.timecode));
    if (opt.withoutTimecode.count(plan.chainIndex) != 0) {
        timecode[0] = 0xEC;  // a Void of the same size: the layout stays
        std::fill(timecode.begin() + 2, timecode.end(), 0);
    }
    putBytes(timecode);
    if (plan.decoy) {
        Bytes junk(kUnsignableValueSize);
        uint64_t state = ~plan.seed;
        fillRandom(state, junk.data(), junk.size());
        putBytes(signatureElement({kDecoyKind, 3}, junk));
    }
    if (plan.frameBefore) {
        putBytes(unsignedFrame());
    }
    const auto putSignature = [&] {
        if (!plan.isSigned) {
            return;
        }
        rec.signatureOffset = position;
        rec.valueOffset = position + static_cast<int64_t>(placeholder.size() - storedBytes);
        putBytes(placeholder);
        covered = true;
        rec.signedBegin = position;
    };
    if (!plan.signatureLast) {
        putSignature();
    }
    if (const ClipCluster* source = clipOf(plan)) {
        putBytes(source->blocks);
    }
    const uint64_t blocks = plan.frames.size();
    for (uint64_t j = 0; j < blocks; ++j) {
        const auto relative =
            static_cast<uint16_t>(std::min<uint64_t>(j * opt.clusterDurationMs / blocks, 0x7FFF));
        Bytes blockHeader = ebml::encodeId(kIdSimpleBlock);
        append(blockHeader, ebml::encodeSize(plan.frames[j] + 4, kBlockSizeWidth));
        append(blockHeader,
               {0x81, static_cast<uint8_t>(relative >> 8), static_cast<uint8_t>(relative & 0xFF),
                static_cast<uint8_t>(j == 0 ? 0x80 : 0x00)});
        putBytes(blockHeader);
        uint64_t state = mix(plan.seed, j);
        for (uint64_t left = plan.frames[j]; left > 0;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(left, kChunk));
            fillRandom(state, buffer.data(), n);
            put(buffer.data(), n);
            left -= n;
        }
    }
    if (plan.signatureLast) {
        putSignature();
    }
    rec.endOffset = position;
    if (static_cast<uint64_t>(rec.endOffset - rec.dataOffset) != payload) {
        throw std::logic_error("cluster payload differs from its planned size");
    }
    if (!plan.isSigned) {
        if (record != nullptr) {
            *record = rec;
        }
        return {};
    }
    rec.signedEnd = rec.endOffset;
    rec.signature = plan.params;
    rec.key = key;
    rec.value = finishValue(signer, plan.params);
    if (plan.extraByte) {
        rec.value.push_back(0x00);
    }
    if (plan.shortByte && !rec.value.empty()) {
        rec.value.pop_back();
    }
    if (stored != nullptr) {
        rec.value = *stored;
    }
    if (out != nullptr) {
        out->patch(rec.valueOffset, rec.value);
    }
    if (record != nullptr) {
        *record = rec;
    }
    return rec.value;
}

// A value not yet known is computed without writing: swapped or dropped
// clusters still take part in the chain of the intact recording.
Bytes Writer::chainKey(int index) {
    const auto restart = opt.restartKeys.find(index);
    if (restart != opt.restartKeys.end()) {
        return restart->second;
    }
    return index > 0 ? chainValue(index - 1) : Bytes();
}

const Bytes& Writer::chainValue(int index) {
    for (int i = 0; i <= index; ++i) {
        if (!values[i]) {
            values[i] = emitCluster(chain[i], chainKey(i), nullptr, nullptr);
        }
    }
    return *values[index];
}

TagLayout Writer::buildTag(const Bytes& value, const Bytes& finalSignature) const {
    TagLayout tag;
    Bytes payload;
    // Readers refuse an element with an empty payload: empty means absent.
    const auto addBytes = [&payload](uint64_t id, const Bytes& bytes) {
        if (!bytes.empty()) {
            append(payload, ebml::encode(ebml::el(id, bytes)));
        }
    };
    const bool finalFirst = has(Tampering::Kind::FinalValueBeforeTagSignature);
    if (finalFirst) {
        addBytes(0x6E15, finalSignature);
    }
    if (isSigned()) {
        tag.signatureAt = payload.size();
        append(payload, signatureElement(opt.tagSignature, value));
    }
    tag.signedAt = payload.size();
    append(payload, ebml::encode(ebml::uintEl(0x6E10, opt.tagNumber1)));
    append(payload, ebml::encode(ebml::uintEl(0x6E11, opt.tagNumber2)));
    if (!has(Tampering::Kind::TagWithoutSerial) && !opt.serialNumber.empty()) {
        tag.hasSerial = true;
        tag.serialAt = payload.size() + 2 + ebml::encodeSize(opt.serialNumber.size()).size();
        addBytes(0x6E12, ebml::bytesOf(opt.serialNumber));
    }
    addBytes(0x6E13, ebml::bytesOf(opt.startTime));
    addBytes(0x6E14, ebml::bytesOf(opt.endTime));
    if (!finalFirst) {
        addBytes(0x6E15, finalSignature);
    }
    tag.bytes = ebml::encodeId(kIdTag);
    append(tag.bytes, ebml::encodeSize(payload.size()));
    tag.headerSize = tag.bytes.size();
    append(tag.bytes, payload);
    tag.signatureAt += tag.headerSize;
    tag.signedAt += tag.headerSize;
    tag.serialAt += tag.headerSize;
    return tag;
}

Bytes Writer::seekHead(const std::vector<std::pair<uint64_t, int64_t>>& entries) const {
    std::vector<ebml::Element> seeks;
    for (const auto& [id, position] : entries) {
        // Fixed-width positions: the seek head's size does not depend on them.
        seeks.push_back(
            ebml::el(kIdSeek, {ebml::el(kIdSeekId, ebml::encodeId(id)),
                               ebml::uintEl(kIdSeekPosition, static_cast<uint64_t>(position), 8)}));
    }
    return ebml::encode(ebml::el(kIdSeekHead, seeks));
}

Bytes Writer::info() const {
    if (clip) {
        return clip->info;
    }
    const double duration = static_cast<double>(opt.clusterCount) * opt.clusterDurationMs;
    return ebml::encode(ebml::el(
        kIdInfo,
        {ebml::uintEl(0x2AD7B1, opt.timecodeScale), ebml::strEl(0x4D80, "Telvar test recorder"),
         ebml::strEl(0x5741, "Telvar test recorder"), ebml::floatEl(0x4489, duration)}));
}

Bytes Writer::tracks() const {
    if (clip) {
        return clip->tracks;
    }
    return ebml::encode(ebml::el(
        kIdTracks,
        {ebml::el(0xAE, {ebml::uintEl(0xD7, 1), ebml::uintEl(0x73C5, 1), ebml::uintEl(0x83, 1),
                         ebml::strEl(0x86, "V_MPEG4/ISO/AVC"),
                         ebml::el(0xE0, {ebml::uintEl(0xB0, 1280), ebml::uintEl(0xBA, 720)})})}));
}

// The tag names the chain's end, so it is signed last, in memory, and
// patched over the placeholder of the same size.
void Writer::writeTag(Output& out, Recording& rec) {
    TagRecord& tag = rec.tag;
    if (!tag.present) {
        return;
    }
    Bytes finalSignature;
    if (isSigned() && !chain.empty()) {
        finalSignature = chainValue(static_cast<int>(chain.size()) - 1);
    }
    if (opt.tagFinalValue) {
        finalSignature = *opt.tagFinalValue;
    }
    if (has(Tampering::Kind::WrongFinalSignature)) {
        if (finalSignature.empty()) {
            finalSignature.push_back(0x00);
        } else {
            finalSignature[finalSignature.size() / 2] ^= 0xFF;
        }
    }
    TagLayout layout = buildTag(Bytes(valueSize(opt.tagSignature), 0), finalSignature);
    if (static_cast<int64_t>(layout.bytes.size()) != tag.endOffset - tag.headerOffset) {
        throw std::invalid_argument("final signature does not fit its reserved size");
    }
    if (isSigned()) {
        std::optional<StreamSigner> signer = signerFor(opt.tagSignature, {});
        if (signer) {
            signer->update(layout.bytes.data() + layout.signedAt,
                           layout.bytes.size() - layout.signedAt);
        }
        tag.value = finishValue(signer, opt.tagSignature);
        layout = buildTag(tag.value, finalSignature);
    }
    tag.finalSignature = finalSignature;
    out.patch(tag.headerOffset, layout.bytes);
}

void Writer::tamperAfterWriting(Output& out, Recording& rec) {
    const auto flip = [&out](int64_t offset) {
        out.patch(offset, {static_cast<uint8_t>(out.readByte(offset) ^ 0xFF)});
    };
    for (const Tampering& t : opt.tampering) {
        if (t.kind == Tampering::Kind::FlipClusterByte) {
            const auto it =
                std::find_if(rec.clusters.begin(), rec.clusters.end(),
                             [&t](const ClusterRecord& c) { return c.chainIndex == t.cluster; });
            if (it == rec.clusters.end()) {
                throw std::invalid_argument("cannot flip a byte of a dropped cluster");
            }
            const int64_t begin = it->signedBegin >= 0 ? it->signedBegin : it->dataOffset;
            const int64_t length = it->endOffset - begin;
            // Default: mid-way through the first frame, so no element header changes.
            const ClusterPlan& plan = chain[t.cluster];
            int64_t offset = t.offset;
            if (offset < 0) {
                const std::optional<int64_t> middle = firstFrameMiddle(plan);
                const bool framesFirst = it->signedBegin >= 0 && !plan.signatureLast && middle;
                offset = framesFirst ? *middle : length / 2;
            }
            if (offset >= length) {
                throw std::invalid_argument("no byte to flip in that cluster");
            }
            flip(begin + offset);
        } else if (t.kind == Tampering::Kind::FlipTagByte) {
            if (!rec.tag.present) {
                throw std::invalid_argument("no tag to flip a byte of");
            }
            const TagRecord& tag = rec.tag;
            const int64_t begin = tag.signedBegin >= 0 ? tag.signedBegin : tag.dataOffset;
            flip(tag.serialOffset >= 0 ? tag.serialOffset : begin + (tag.endOffset - begin) / 2);
        }
    }
    if (has(Tampering::Kind::TruncateInLastCluster) && !rec.clusters.empty()) {
        const ClusterRecord& last = rec.clusters.back();
        const int64_t begin = last.signedBegin >= 0 ? last.signedBegin : last.dataOffset;
        const int64_t cut = begin + (last.endOffset - begin) / 2;
        out.truncate(cut);
        rec.fileSize = cut;
    }
}

Recording Writer::write(const std::string& path) {
    if (!opt.sourceClip.empty()) {
        clip = readSourceClip(opt.sourceClip);
    }
    count = clip ? static_cast<int>(clip->clusters.size()) : opt.clusterCount;
    validate();
    planClusters();

    Recording rec;
    rec.path = path;
    Output out(path);
    out.append(clip ? clip->ebmlHeader : ebml::encode(ebml::ebmlHeader("matroska")));

    rec.segmentHeaderOffset = out.position();
    Bytes segmentHeader = ebml::encodeId(kIdSegment);
    append(segmentHeader, ebml::encodeSize(0, kLongSizeWidth));
    out.append(segmentHeader);
    rec.segmentDataOffset = out.position();

    // Lay out the metadata first: the seek head points at what follows it.
    const Bytes infoBytes = info();
    const Bytes tracksBytes = tracks();
    const TagLayout tagLayout =
        buildTag(Bytes(valueSize(opt.tagSignature), 0), Bytes(finalSize(), 0));
    rec.tag.present = !has(Tampering::Kind::MissingTag);
    const size_t seekEntries = rec.tag.present ? 3 : 2;
    const int64_t seekHeadSize = static_cast<int64_t>(
        seekHead(std::vector<std::pair<uint64_t, int64_t>>(seekEntries, {kIdInfo, 0})).size());

    rec.seekHeadOffset = rec.segmentDataOffset;
    rec.infoOffset = rec.seekHeadOffset + seekHeadSize;
    rec.tracksOffset = rec.infoOffset + static_cast<int64_t>(infoBytes.size());
    const int64_t tagOffset = rec.tracksOffset + static_cast<int64_t>(tracksBytes.size()) +
                              static_cast<int64_t>(opt.voidBeforeTag);
    std::vector<std::pair<uint64_t, int64_t>> entries = {
        {kIdInfo, rec.infoOffset - rec.segmentDataOffset},
        {kIdTracks, rec.tracksOffset - rec.segmentDataOffset}};
    if (rec.tag.present) {
        entries.emplace_back(kIdTag, tagOffset - rec.segmentDataOffset);
    }
    out.append(seekHead(entries));
    out.append(infoBytes);
    out.append(tracksBytes);
    if (opt.voidBeforeTag != 0) {
        out.append(ebml::encode(ebml::voidEl(opt.voidBeforeTag)));
    }
    if (rec.tag.present) {
        TagRecord& tag = rec.tag;
        tag.headerOffset = out.position();
        tag.endOffset = tag.headerOffset + static_cast<int64_t>(tagLayout.bytes.size());
        tag.dataOffset = tag.headerOffset + static_cast<int64_t>(tagLayout.headerSize);
        if (isSigned()) {
            tag.signature = opt.tagSignature;
            tag.signatureOffset = tag.headerOffset + static_cast<int64_t>(tagLayout.signatureAt);
            tag.valueOffset = tag.headerOffset + static_cast<int64_t>(tagLayout.signedAt) -
                              static_cast<int64_t>(valueSize(opt.tagSignature));
            tag.signedBegin = tag.headerOffset + static_cast<int64_t>(tagLayout.signedAt);
            tag.signedEnd = tag.endOffset;
        }
        if (tagLayout.hasSerial) {
            tag.serialOffset = tag.headerOffset + static_cast<int64_t>(tagLayout.serialAt);
        }
        out.append(tagLayout.bytes);
    }
    if (opt.firstClusterAt) {
        const int64_t gap = *opt.firstClusterAt - out.position();
        if (gap == 1 || gap < 0) {
            throw std::invalid_argument("the first cluster cannot be placed there");
        }
        if (gap > 0) {
            out.append(ebml::encode(ebml::voidEl(static_cast<uint64_t>(gap))));
        }
    }

    for (const ClusterPlan& plan : inFile) {
        const Bytes key = plan.chainIndex >= 0 && isSigned() ? chainKey(plan.chainIndex) : Bytes();
        ClusterRecord record;
        // Altered frames keep the value of the intact cluster, so the chain
        // goes on past them.
        const std::optional<Bytes> intact = plan.altered && isSigned()
                                                ? std::optional<Bytes>(chainValue(plan.chainIndex))
                                                : std::nullopt;
        const Bytes value = emitCluster(plan, key, &out, &record, intact ? &*intact : nullptr);
        if (plan.chainIndex >= 0) {
            std::optional<Bytes>& known = values[plan.chainIndex];
            if (known && *known != value) {
                throw std::logic_error("cluster signed differently on a second pass");
            }
            known = value;
        }
        rec.clusters.push_back(std::move(record));
    }
    rec.segmentEnd = out.position();
    rec.fileSize = out.position();
    out.patch(rec.segmentHeaderOffset + 4,
              ebml::encodeSize(static_cast<uint64_t>(rec.segmentEnd - rec.segmentDataOffset),
                               kLongSizeWidth));
    writeTag(out, rec);
    if (isSigned() && !chain.empty()) {
        rec.chainEnd = chainValue(static_cast<int>(chain.size()) - 1);
    }
    tamperAfterWriting(out, rec);
    out.close();
    return rec;
}

}  // namespace

Recording writeRecording(const std::string& path, const RecorderOptions& options,
                         const RecorderKeys& keys) {
    return Writer(options, keys).write(path);
}

}  // namespace recorder
