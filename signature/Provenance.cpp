#include "signature/Provenance.h"

#include "signature/DigestType.h"

#include <cstdio>
#include <string>

namespace {

std::string proof(const std::string& what, uint8_t kind, uint8_t digest, bool verified) {
    if (kind == 0) {
        return what + " carries no usable signature: nothing proves where it came from.";
    }
    const std::string how = kind == 1 ? std::string("an RSA signature (") + digestName(digest) + ")"
                                      : std::string("an HMAC (") + digestName(digest) + ")";
    if (!verified) {
        return what + " carries " + how + " that does not verify: it proves nothing.";
    }
    if (kind == 1) {
        return what + " is signed with " + how +
               " made with the private key that matches the built-in public key, which only "
               "the recorder side holds.";
    }
    return what + " is sealed with " + how +
           " under a key that this program also holds: it shows the bytes are unchanged since "
           "sealing, not which device sealed them.";
}

}  // namespace

Provenance provenanceOf(const nvr::WalkEvidence& walk) {
    Provenance provenance;
    provenance.tagKind = walk.tag.kind;
    if (walk.tag.present) {
        provenance.statements.push_back(
            proof("The recorder tag", walk.tag.kind, walk.tag.digestType, walk.tag.verified));
    }
    const ClusterEntry* const first = walk.map.find(1);
    if (first != nullptr) {
        provenance.firstClusterKind = first->kind;
        provenance.statements.push_back(proof("The first cluster", first->kind, first->digestType,
                                              first->status == ClusterStatus::Verified));
        if (walk.map.count() > 1) {
            provenance.statements.push_back(
                "Every later cluster is keyed by the value stored in the cluster before it, so "
                "the chain proves the clusters' order and that none was changed, added or "
                "removed, as far as its links verify.");
        }
    }
    return provenance;
}

Coverage coverageOf(const nvr::WalkEvidence& walk, int64_t fileSize) {
    Coverage coverage;
    coverage.fileSize = fileSize;
    coverage.signedBytes = walk.signedBytes;
    coverage.verifiedBytes = walk.verifiedBytes;
    if (walk.tag.kind != 0) {
        coverage.signedBytes += walk.tagSignedBytes;
        coverage.verifiedBytes += walk.tag.verified ? walk.tagSignedBytes : 0;
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
    char share[32] = "0";
    if (fileSize > 0) {
        std::snprintf(
            share, sizeof share, "%.1f",
            100.0 * static_cast<double>(coverage.verifiedBytes) / static_cast<double>(fileSize));
    }
    coverage.statement = "Signatures that verified cover " +
                         std::to_string(coverage.verifiedBytes) + " of the file's " +
                         std::to_string(fileSize) + " bytes (" + share +
                         "%). The rest is covered by no signature: by the format's design the "
                         "headers, the metadata elements and each cluster's Timecode are not "
                         "signed, so times and track settings are as stated by the file.";
    return coverage;
}
