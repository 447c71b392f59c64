#include "signature/Provenance.h"

#include "signature/ClusterCopies.h"
#include "signature/DigestType.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string how(uint8_t kind, uint8_t digest) {
    return kind == 1 ? std::string("an RSA signature (") + digestName(digest) + ")"
                     : std::string("an HMAC (") + digestName(digest) + ")";
}

std::string tagProof(const TagStatement& tag) {
    const std::string what = "The recorder tag";
    if (tag.kind == 0) {
        return what + " carries no usable signature: nothing proves where it came from.";
    }
    if (!tag.verified) {
        return what + " carries " + how(tag.kind, tag.digestType) +
               " that does not verify: it proves nothing.";
    }
    std::string text =
        tag.kind == 1
            ? what + " is signed with " + how(tag.kind, tag.digestType) +
                  " made with the private key that matches the built-in public key, which only "
                  "the recorder side holds."
            : what + " is sealed with " + how(tag.kind, tag.digestType) +
                  " under the built-in key, which every copy of this program holds: it shows "
                  "the tag is unchanged against anyone without this program, not which device "
                  "sealed it.";
    if (!tag.unsignedField.empty()) {
        text += " But its " + tag.unsignedField +
                " lies outside the signed bytes, so the tag ties nothing in the recording to it.";
    }
    return text;
}

// "1–29, 31, 33–60" of the numbers for which `in` holds, at most a few runs;
// a run also ends before a cluster for which `apart` holds.
template <typename In, typename Apart>
std::string ranges(const ClusterMap& map, In&& in, Apart&& apart) {
    constexpr int kTold = 8;
    std::string text;
    int told = 0;
    int64_t first = 0;
    int64_t last = 0;
    auto flush = [&] {
        if (first != 0 && ++told <= kTold) {
            text += (text.empty() ? "" : ", ") + std::to_string(first) +
                    (last > first ? "–" + std::to_string(last) : std::string());
        }
        first = 0;
    };
    for (const ClusterEntry& entry : map.entries()) {
        if (!in(entry) || apart(entry)) {
            flush();
        }
        if (!in(entry)) {
            continue;
        }
        if (first == 0) {
            first = entry.number;
        }
        last = entry.number;
    }
    flush();
    if (told > kTold) {
        text += " and " + std::to_string(told - kTold) + " more run(s)";
    }
    return text;
}

// Proven, and joined to the cluster before it by that cluster's value,
// which is proven too: the two stand in their sealed order. A copy is
// joined to nothing: the value it stores is its original's, so a cluster
// that holds under it was sealed after the original, not after the copy.
bool joinedToPrevious(const nvr::WalkEvidence& walk, const ClusterEntry& entry) {
    const ClusterEntry* const previous = walk.map.find(entry.number - 1);
    return entry.proven && entry.status == ClusterStatus::Verified &&
           entry.keyFrom == entry.number - 1 && previous != nullptr && previous->proven &&
           nvr::originalOf(walk, entry.number) == 0 && nvr::originalOf(walk, previous->number) == 0;
}

}  // namespace

Provenance provenanceOf(const nvr::WalkEvidence& walk) {
    Provenance provenance;
    provenance.tagKind = walk.tag.kind;
    if (walk.tag.present) {
        provenance.statements.push_back(tagProof(walk.tag));
    }
    const ClusterMap& map = walk.map;
    const ClusterEntry* const first = map.find(1);
    if (first == nullptr) {
        return provenance;
    }
    provenance.firstClusterKind = first->kind;
    if (first->keyFrom == 0 && first->status == ClusterStatus::Verified) {
        provenance.statements.push_back(
            "The first cluster is sealed with the built-in key, with " +
            how(first->kind, first->digestType) +
            ". That seal alone does not tie it to this recording: every recording's first "
            "cluster carries one.");
    }
    const std::string proven = ranges(
        map, [](const ClusterEntry& e) { return e.proven; }, [](const ClusterEntry&) { return false; });
    if (proven.empty()) {
        provenance.statements.push_back(
            "No cluster is tied to the recorder tag's signed final value, so nothing in the "
            "clusters is proven: a link that holds can be recomputed by anyone from the values "
            "stored in the file.");
        return provenance;
    }
    const bool hmac = walk.proofKey == ProofKey::Hmac;
    const bool storeHmac = hmac && walk.tagKey && !walk.tagKey->builtIn;
    std::string text =
        "Proven, through the recorder tag's signed final value: the content of cluster(s) " +
        proven +
        (storeHmac ? ", sealed with the trusted HMAC key \"" + walk.tagKey->label +
                         "\", which whoever holds it shares (so this shows they are unchanged "
                         "against anyone without that key, not which device made them)"
         : hmac    ? std::string(", sealed with the built-in key, which every copy of "
                                 "this program holds (so this shows they are unchanged "
                                 "against anyone without this program, not which device "
                                 "made them)")
                   : std::string(", as the recorder sealed it"));
    // Runs of clusters each joined to the one before it: a run ends before a
    // cluster not joined to its predecessor.
    const auto joined = [&walk](const ClusterEntry& e) { return joinedToPrevious(walk, e); };
    const std::string order = ranges(
        map,
        [&map, &joined](const ClusterEntry& e) {
            const ClusterEntry* const next = map.find(e.number + 1);
            return joined(e) || (next != nullptr && joined(*next));
        },
        [&joined](const ClusterEntry& e) { return !joined(e); });
    if (!order.empty()) {
        text += "; and the order of cluster(s) " + order +
                ", each joined to the one before it by that cluster's stored value";
    }
    provenance.statements.push_back(text + ". Nothing is said of the other clusters.");
    return provenance;
}

Coverage coverageOf(const nvr::WalkEvidence& walk, int64_t fileSize) {
    Coverage coverage;
    coverage.fileSize = fileSize;
    coverage.signedBytes = walk.signedBytes;
    for (const ClusterEntry& entry : walk.map.entries()) {
        if (entry.proven) {
            coverage.verifiedBytes += entry.signedEnd - entry.signedStart;
        }
    }
    if (walk.tag.kind != 0) {
        coverage.signedBytes += walk.tagSignedBytes;
        coverage.verifiedBytes += walk.proofKey != ProofKey::None ? walk.tagSignedBytes : 0;
    }
    if (walk.segmentDataOffset > 0) {
        coverage.unsignedParts.push_back(
            {"EBML header and Segment header", walk.segmentDataOffset, 1});
    }
    for (CoveragePart part : walk.unsignedParts) {
        if (part.name == "recorder tag" && walk.tag.kind != 0) {
            part.name = "recorder tag before its signed bytes";
            part.bytes = part.bytes > walk.tagSignedBytes ? part.bytes - walk.tagSignedBytes : 0;
        }
        coverage.unsignedParts.push_back(part);
    }
    if (walk.segmentEnd >= 0 && fileSize > walk.segmentEnd) {
        coverage.unsignedParts.push_back(
            {"bytes after the Segment", fileSize - walk.segmentEnd, 1});
    }
    std::string of = "of the file's bytes (its size could not be read)";
    if (fileSize >= 0) {
        char share[32] = "0";
        if (fileSize > 0) {
            std::snprintf(share, sizeof share, "%.1f",
                          100.0 * static_cast<double>(coverage.verifiedBytes) /
                              static_cast<double>(fileSize));
        }
        of = "of the file's " + std::to_string(fileSize) + " bytes (" + share + "%)";
    }
    coverage.statement =
        "Signatures tied to the recorder tag's signed final value cover " +
        std::to_string(coverage.verifiedBytes) + " " + of +
        (walk.proofKey != ProofKey::Hmac ? std::string()
         : walk.tagKey && !walk.tagKey->builtIn
             ? ", under the trusted HMAC key \"" + walk.tagKey->label + "\" that its holders share"
             : std::string(", under the built-in HMAC key that every copy of this program holds")) +
        ". The rest is proven by no signature: by the format's design the headers, the metadata "
        "elements and each cluster's Timecode are not signed, so times are as stated by the "
        "file, and so are the track settings, including the decoder settings in Tracks that "
        "shape every picture.";
    return coverage;
}
