#include "signature/WalkState.h"

#include <algorithm>

#include "container/MkvIds.h"
#include "container/NvrSignature.h"
#include "signature/DigestType.h"
#include "signature/RsaRecover.h"
#include "signature/TagKeySearch.h"

namespace nvr {

namespace {

// A tag's signed bytes up to this size are read once and hashed once for
// every RSA key; a larger one is streamed through a signer per key.
constexpr int64_t kTagBytesHashedOnce = int64_t{16} << 20;

// The first of the tag's fields (as the reader took them) that stands
// before `signedStart`, or empty.
std::string fieldBefore(const TNVRTag& tag, int64_t signedStart) {
    const std::pair<int64_t, const char*> fields[] = {
        {tag.serialNumberAt, "serial number"},
        {tag.startTimeAt, "start time"},
        {tag.endTimeAt, "end time"},
        {tag.finalSignatureAt, "final value"},
    };
    for (const auto& [offset, name] : fields) {
        if (offset >= 0 && offset < signedStart) {
            return name;
        }
    }
    return std::string();
}

}  // namespace

WalkState::WalkState(MkvParser& parser_) : parser(parser_) {}

WalkState& WalkState::of(MkvParser& parser) {
    if (!parser.walkState) {
        parser.walkState = std::unique_ptr<WalkState, WalkStateDeleter>(
            new WalkState(parser), WalkStateDeleter{[](WalkState* state) { delete state; }});
    }
    return *parser.walkState;
}

iReader* WalkState::source() {
    return parser.source();
}

void WalkState::throwIfCancelled() const {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
        throw MkvException(MkvErrorCode::Other, "verification cancelled");
    }
}

SignatureSite WalkState::findSignature(const MkvElement& element) {
    SignatureSite site;
    site.end = element.endOffset();
    int64_t position = element.dataOffset;
    while (position < site.end) {
        const MkvElement child(source(), position);
        const int64_t next = child.endOffset();
        if ((child.id == ID_SIMPLE_BLOCK || child.id == ID_BLOCK_GROUP) &&
            site.unsignedFrameAt < 0) {
            site.unsignedFrameAt = child.headerOffset;
        } else if (child.id == ID_CLUSTER_TIMECODE && !site.timecode) {
            const int64_t timecode = readI64(child);
            if (timecode >= 0) {
                site.timecode = static_cast<uint64_t>(timecode);
            }
        } else if (child.id == ID_NVR_SIGNATURE) {
            NvrSignature signature(child);
            signature.parse();
            site.signedStart = signature.endOffset();
            if (site.signedStart >= site.end) {
                site.unsignedFrameAt = -1;  // with no signed bytes, nothing stands outside them
                site.issue = "nothing follows its signature element at offset " +
                             std::to_string(signature.headerOffset);
                return site;
            }
            if (signature.signatureKind == kKindHMAC || signature.signatureKind == kKindRSA) {
                site.status = VerifyWalkResult::Ok;
                site.kind = signature.signatureKind;
                site.digestType = signature.digestType;
                site.value = std::move(signature.signatureBytes);
                return site;
            }
            // Any other kind is passed over; the search goes on.
        }
        position = next;
    }
    site.signedStart = -1;
    site.unsignedFrameAt = -1;
    site.issue = "no signature element of kind 1 or 2";
    return site;
}

VerifyWalkResult WalkState::checkSignature(const SignatureSite& site, const ByteBuffer& key) {
    const int64_t length = site.end - site.signedStart;
    const ByteBuffer& used = keyFor(key, site.kind);
    const int result =
        site.kind == kKindHMAC
            ? parser.verifyHMAC(site.digestType, site.signedStart, length, used, site.value)
            : parser.verifyRSA(site.digestType, site.signedStart, length, used, site.value);
    if (result == 0) {
        return VerifyWalkResult::Ok;
    }
    elementIssue = std::string(site.kind == kKindHMAC ? "HMAC" : "RSA signature") + " (" +
                   digestName(site.digestType) + ") over bytes " +
                   std::to_string(site.signedStart) + " to " + std::to_string(site.end - 1) +
                   " does not match";
    return VerifyWalkResult::Mismatch;
}

VerifyWalkResult WalkState::verifyTag() {
    detail.clear();
    evidence = WalkEvidence();
    tagKey = nullptr;
    evidence.fileSize = source() != nullptr ? source()->size() : -1;
    const MkvSegment& walked = segment();
    if (!walked.isValid()) {
        detail = "the recording was not parsed";
        return VerifyWalkResult::Mismatch;
    }
    const TNVRTag& tag = walked.tag;
    TagStatement& stated = evidence.tag;
    stated.present = tag.isValid();
    stated.offset = tag.headerOffset;
    stated.serialNumber.assign(tag.serialNumber.begin(), tag.serialNumber.end());
    stated.startTime.assign(tag.startTime.begin(), tag.startTime.end());
    stated.endTime.assign(tag.endTime.begin(), tag.endTime.end());
    if (tag.serialNumber.empty()) {
        evidence.tagResult = VerifyWalkResult::Unsigned;
        detail = tag.isValid() ? "the recorder tag has no serial number" : "no recorder tag";
        return VerifyWalkResult::Unsigned;
    }
    // The tag is checked with the built-in key, and its own value does not
    // enter the chain.
    const SignatureSite site = findSignature(tag);
    VerifyWalkResult result = site.status;
    if (site.status != VerifyWalkResult::Ok) {
        elementIssue = site.issue;
    } else {
        stated.kind = static_cast<uint8_t>(site.kind);
        stated.digestType = static_cast<uint8_t>(site.digestType);
        evidence.tagSignedBytes = site.end - site.signedStart;
        stated.unsignedField = fieldBefore(tag, site.signedStart);
        result = store != nullptr ? checkTagWithStore(site) : checkSignature(site, ByteBuffer());
        if (result != VerifyWalkResult::Ok && site.kind == kKindRSA && !evidence.tagKey) {
            evidence.tagOpensWithBuiltInKey = opensWithTrustedKey(site.value);
        }
    }
    stated.verified = result == VerifyWalkResult::Ok;
    evidence.tagResult = result;
    if (result != VerifyWalkResult::Ok) {
        detail = "recorder tag at offset " + std::to_string(tag.headerOffset) + ": " + elementIssue;
    }
    return result;
}

bool WalkState::opensWithTrustedKey(const ByteBuffer& signature) const {
    if (store == nullptr) {
        return opensWithBuiltInKey(signature);
    }
    for (const TrustedKey& key : store->keys()) {
        if (key.kind == KeyKind::Rsa && (key.material.empty() ? opensWithBuiltInKey(signature)
                                                              : opensWithKey(key.material, signature))) {
            return true;
        }
    }
    return false;
}

const ByteBuffer& WalkState::keyFor(const ByteBuffer& key, uint32_t kind) const {
    if (!key.empty() || tagKey == nullptr ||
        (tagKey->kind == KeyKind::Rsa) != (kind == kKindRSA)) {
        return key;
    }
    return tagKey->material;
}

// Every trusted key of the tag's kind is tried in the store's order; the
// first that holds is the recording's key, whatever its status, so that the
// findings can name it. A revoked one then fails the tag.
VerifyWalkResult WalkState::checkTagWithStore(const SignatureSite& site) {
    const KeyKind kind = site.kind == kKindRSA ? KeyKind::Rsa : KeyKind::Hmac;
    const TNVRTag& tag = segment().tag;
    const std::string serial(tag.serialNumber.begin(), tag.serialNumber.end());
    // Keys that name the tag's recorder first: the key is then found at once.
    std::vector<const TrustedKey*> candidates;
    for (const bool named : {true, false}) {
        for (const TrustedKey& key : store->keys()) {
            const bool forIt =
                std::find(key.recorders.begin(), key.recorders.end(), serial) != key.recorders.end();
            if (key.kind == kind && forIt == named) {
                candidates.push_back(&key);
            }
        }
    }
    evidence.storeInUse = true;
    evidence.keysTried = candidates.size();
    std::optional<size_t> held;
    const ByteBuffer message =
        kind == KeyKind::Rsa ? signedBytesOf(site, kTagBytesHashedOnce) : ByteBuffer();
    if (!message.empty()) {
        std::vector<EVP_PKEY*> parsed;
        for (const TrustedKey* key : candidates) {
            parsed.push_back(key->publicKey.get());
        }
        held = firstRsaKeyOver(message, site.digestType, site.value, parsed);
    } else {
        std::vector<const ByteBuffer*> keys;
        for (const TrustedKey* key : candidates) {
            keys.push_back(&key->material);  // empty: the built-in key
        }
        held = firstKeyVerifying(site, ByteBuffer(), keys);
    }
    if (!held) {
        elementIssue = std::string(site.kind == kKindHMAC ? "HMAC" : "RSA signature") + " (" +
                       digestName(site.digestType) + ") holds under none of the " +
                       std::to_string(candidates.size()) + " trusted keys of its kind";
        return VerifyWalkResult::Mismatch;
    }
    tagKey = candidates[*held];
    TrustedKey named = *tagKey;
    named.material.clear();
    evidence.tagKey = std::move(named);
    evidence.tagKeyValidity =
        validityOf(*tagKey, std::string(tag.startTime.begin(), tag.startTime.end()),
                   std::string(tag.endTime.begin(), tag.endTime.end()), validationTime);
    if (evidence.tagKeyValidity == KeyValidity::RevokedBefore) {
        elementIssue = "signed by the key " + tagKey->id + ", revoked at " + tagKey->revokedAt +
                       " before the recording's stated time";
        return VerifyWalkResult::Mismatch;
    }
    return VerifyWalkResult::Ok;
}

std::string WalkState::clusterIssue(int64_t number, int64_t headerOffset) const {
    return "cluster " + std::to_string(number) + " at offset " + std::to_string(headerOffset) +
           ": " + elementIssue;
}

VerifyWalkResult WalkState::finishChain(const ByteBuffer& chainKey, int64_t clusters) {
    if (chainKey == segment().tag.finalSignature) {
        return VerifyWalkResult::Ok;
    }
    detail = clusters == 0 ? "no cluster, but the recorder tag names a final value"
                           : "the chain of " + std::to_string(clusters) +
                                 " clusters does not end on the recorder tag's final value";
    return VerifyWalkResult::Mismatch;
}

}  // namespace nvr
