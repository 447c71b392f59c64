#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/RecorderCrypto.h"

namespace recorder {

// How one signature element is written. A kind other than 1 or 2, or a
// digest outside 1..4, cannot be signed: its value is written as zeros of
// the usual size (32 bytes for HMAC and other kinds, the RSA size for RSA).
struct SignatureParams {
    uint32_t kind = kKindHmac;
    uint32_t digestType = 3;  // 1 MD5, 2 SHA-1, 3 SHA-256, 4 SHA-512
};

// A fault written into a recording. Cluster indices are chain positions
// counted from 0; the chain itself is always computed over the intact
// sequence, so a fault shows up exactly where the verifier meets it.
struct Tampering {
    enum class Kind {
        FlipClusterByte,        // `cluster`: one byte of its signed range, after signing
        FlipTagByte,            // first serial-number byte (else mid signed range), after signing
        SwapClusters,           // `cluster` and `other` trade places in the file
        DropCluster,            // `cluster` is left out of the file
        InsertForeignCluster,   // before `cluster` (== count: at the end), self-signed with
                                // the built-in key of the first cluster's kind; each one
                                // inserted at the same place has frames of its own
        TruncateInLastCluster,  // file cut mid-way through the last cluster's signed range
        WrongFinalSignature,    // tag names the last value with one byte changed; tag signed
        MissingTag,             // no recorder tag (nor its seek entry)
        TagWithoutSerial,       // tag lacks 0x6E12; still signed
        SignatureLast,          // `cluster`: signature element is its last child
        DecoyBeforeSignature,   // `cluster`: a kind-3 signature element before the real one
        ExtraValueByte,         // `cluster`: stored value is the right one plus a zero byte
        ShortValueByte,         // `cluster`: stored value is the right one less its last byte
        Unsigned,               // no signature element anywhere; tag keeps its texts
        ReplaceContent,         // `cluster` is written with the frames of `other` (its own
                                // Timecode and stored value), as when seconds are overwritten
        DuplicateCluster,       // `cluster` is written twice in a row, byte for byte
        CopyCluster,            // a byte copy of `cluster` stands before `other` too
        FrameBeforeSignature,   // `cluster`: a SimpleBlock before its signature element
        FinalValueBeforeTagSignature,  // the tag's final value stands before its signature
    };

    Kind kind;
    int cluster = 0;
    int other = 0;
    int64_t offset = -1;  // FlipClusterByte: from the signed start; -1: the middle
    // InsertForeignCluster: the Timecode it states; none: that of its place.
    std::optional<uint64_t> timecode = std::nullopt;

    static Tampering flipClusterByte(int cluster, int64_t offset = -1) {
        return {Kind::FlipClusterByte, cluster, 0, offset};
    }
    static Tampering flipTagByte() { return {Kind::FlipTagByte}; }
    static Tampering swapClusters(int a, int b) { return {Kind::SwapClusters, a, b}; }
    static Tampering dropCluster(int cluster) { return {Kind::DropCluster, cluster}; }
    static Tampering insertForeignCluster(int before,
                                          std::optional<uint64_t> timecode = std::nullopt) {
        return {Kind::InsertForeignCluster, before, 0, -1, timecode};
    }
    static Tampering truncateInLastCluster() { return {Kind::TruncateInLastCluster}; }
    static Tampering wrongFinalSignature() { return {Kind::WrongFinalSignature}; }
    static Tampering missingTag() { return {Kind::MissingTag}; }
    static Tampering tagWithoutSerial() { return {Kind::TagWithoutSerial}; }
    static Tampering signatureLast(int cluster) { return {Kind::SignatureLast, cluster}; }
    static Tampering decoyBeforeSignature(int cluster) {
        return {Kind::DecoyBeforeSignature, cluster};
    }
    static Tampering extraValueByte(int cluster) { return {Kind::ExtraValueByte, cluster}; }
    static Tampering shortValueByte(int cluster) { return {Kind::ShortValueByte, cluster}; }
    static Tampering unsignedRecording() { return {Kind::Unsigned}; }
    static Tampering duplicateCluster(int cluster) { return {Kind::DuplicateCluster, cluster}; }
    static Tampering copyCluster(int cluster, int before) {
        return {Kind::CopyCluster, cluster, before};
    }
    static Tampering frameBeforeSignature(int cluster) {
        return {Kind::FrameBeforeSignature, cluster};
    }
    static Tampering finalValueBeforeTagSignature() {
        return {Kind::FinalValueBeforeTagSignature};
    }
    static Tampering replaceContent(int cluster, int from) {
        return {Kind::ReplaceContent, cluster, from};
    }
};

struct RecorderOptions {
    // A Matroska clip (see SourceClip.h) whose EBML header, Info, Tracks and
    // clusters' frames the recording carries, so that it plays. Empty: random
    // frames under a made-up H.264 track. With a clip, the clip decides the
    // cluster count, the frames and the timecodes: `clusterCount`,
    // `blocksPerCluster`, `blockSize`, `clusterPayloadSize`,
    // `clusterDurationMs`, `timecodeScale` and `seed` are ignored.
    std::string sourceClip;
    int clusterCount = 3;
    int blocksPerCluster = 4;
    uint32_t blockSize = 1024;  // frame bytes per SimpleBlock
    // Exact payload of every cluster; the frames are sized to fill it and
    // `blockSize` is ignored.
    std::optional<uint64_t> clusterPayloadSize;
    // Header offset of the first cluster, reached with a Void element.
    std::optional<int64_t> firstClusterAt;
    uint64_t voidBeforeTag = 0;  // total bytes of a Void between Tracks and the tag; 0: none
    uint32_t clusterDurationMs = 1000;  // in Timecode ticks
    uint64_t timecodeScale = 1000000;   // nanoseconds per tick, as Info states it
    // Chain indices whose Timecode is replaced by a Void of the same size.
    std::set<int> withoutTimecode;
    uint64_t seed = 1;

    SignatureParams tagSignature{kKindRsa, 3};
    SignatureParams firstCluster{kKindHmac, 3};
    SignatureParams laterClusters{kKindHmac, 3};
    std::map<int, SignatureParams> clusterSignature;  // per chain index, over the two above
    // Chain indices whose HMAC is keyed by these bytes instead of the value
    // before them: the chain starts again under another recorder's key.
    std::map<int, Bytes> restartKeys;

    uint32_t tagNumber1 = 1;
    uint32_t tagNumber2 = 0;
    std::string serialNumber = "TLV-0001234";
    std::string startTime = "2026-12-01 08:00:00";
    std::string endTime = "2026-12-01 09:00:00";

    std::vector<Tampering> tampering;
    // The final value the tag names and signs, instead of the chain's end;
    // as long as the last cluster's value.
    std::optional<Bytes> tagFinalValue;

    SignatureParams signatureOf(int chainIndex) const {
        const auto it = clusterSignature.find(chainIndex);
        if (it != clusterSignature.end()) {
            return it->second;
        }
        return chainIndex == 0 ? firstCluster : laterClusters;
    }
};

}  // namespace recorder
