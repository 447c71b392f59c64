// The signature walk: the recorder tag and every cluster of the segment are
// checked along the key chain, and the chain must end on the tag's value.
#include <limits>
#include <vector>

#include "container/MkvIds.h"
#include "container/MkvParser.h"
#include "container/NvrSignature.h"
#include "container/ReadBudget.h"
#include "signature/DWMException.h"
#include "signature/DigestType.h"
#include "signature/DigitalHMACSigner.h"
#include "signature/DigitalSignature.h"
#include "signature/RsaRecover.h"
#include "signature/SegmentScan.h"
#include "signature/WalkRecorder.h"

namespace nvr {

namespace {

constexpr uint32_t kKindRSA = 1;
constexpr uint32_t kKindHMAC = 2;

// Signer arguments for a chain key: none (the built-in key) when empty.
const uint8_t* keyData(const ByteBuffer& key) {
    return key.empty() ? nullptr : key.data();
}

int32_t keyLength(const ByteBuffer& key) {
    if (key.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        throw DWMException(DWM_INVALID_ARGUMENTS, nullptr);
    }
    return static_cast<int32_t>(key.size());
}

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

DigestType digestOf(uint32_t digestType) {
    return static_cast<DigestType>(static_cast<int32_t>(digestType));
}

}  // namespace

template <typename Update>
void MkvParser::streamRange(int64_t start, int64_t length, Update&& update) {
    iReader* const bytes = source();
    if (bytes == nullptr) {
        throw MkvException(MKV_ERR_NO_READER, -1);
    }
    // One buffer for every range of the walk: a fresh one per cluster would
    // cost more than hashing a small cluster.
    if (chunkBuffer.size() != static_cast<size_t>(kReadChunkSize)) {
        chunkBuffer.resize(kReadChunkSize);
    }
    uint8_t* const buffer = chunkBuffer.data();
    int retriesLeft = kReadRetries;  // one budget for the whole range
    while (length != 0) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            throw MkvException(MKV_ERR_OTHER, "verification cancelled");
        }
        const auto chunk = static_cast<int32_t>(length >= kReadChunkSize ? kReadChunkSize : length);
        if (bytes->read(start, chunk, buffer) > 0) {
            update(buffer, chunk);
            start += chunk;
            length -= chunk;
        } else if (retriesLeft == 0) {
            throw MkvException(MKV_ERR_IO, start);
        } else {
            --retriesLeft;
        }
    }
}

int MkvParser::verifyHMAC(uint32_t digestType, int64_t start, int64_t length, const ByteBuffer& key,
                          const ByteBuffer& mac) {
    try {
        DigitalHMACSigner signer(digestOf(digestType), keyData(key), keyLength(key));
        streamRange(start, length,
                    [&signer](const uint8_t* data, int32_t size) { signer.update(data, size); });
        std::vector<uint8_t> computed;
        signer.sign(computed);
        return computed == mac ? 0 : 1;  // lengths first, then bytes
    } catch (const DWMException& e) {
        throw MkvException(MKV_ERR_OTHER, "Caught DWMException: %s", e.what());
    }
}

int MkvParser::verifyRSA(uint32_t digestType, int64_t start, int64_t length, const ByteBuffer& key,
                         const ByteBuffer& signature) {
    try {
        DigitalSignature verifier(digestOf(digestType), keyData(key), keyLength(key));
        streamRange(start, length, [&verifier](const uint8_t* data, int32_t size) {
            verifier.update(data, size);
        });
        return verifier.verify(signature) == 0 ? 0 : 1;
    } catch (const DWMException& e) {
        throw MkvException(MKV_ERR_OTHER, "Caught DWMException: %s", e.what());
    }
}

SignatureSite MkvParser::findSignature(const MkvElement& element) {
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
                site.status = VERIFY_OK;
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

int MkvParser::checkSignature(const SignatureSite& site, const ByteBuffer& key) {
    const int64_t length = site.end - site.signedStart;
    const int result = site.kind == kKindHMAC
                           ? verifyHMAC(site.digestType, site.signedStart, length, key, site.value)
                           : verifyRSA(site.digestType, site.signedStart, length, key, site.value);
    if (result == 0) {
        return VERIFY_OK;
    }
    elementIssue = std::string(site.kind == kKindHMAC ? "HMAC" : "RSA signature") + " (" +
                   digestName(site.digestType) + ") over bytes " +
                   std::to_string(site.signedStart) + " to " + std::to_string(site.end - 1) +
                   " does not match";
    return VERIFY_MISMATCH;
}

bool MkvParser::keyVerifies(const SignatureSite& site, const ByteBuffer& key) {
    const std::string issue = elementIssue;  // a trial must not change the description
    bool verified = false;
    try {
        verified = checkSignature(site, key) == VERIFY_OK;
    } catch (...) {
        // A value that is no key of this kind, a read fault or a cancel:
        // this key does not verify the cluster.
    }
    elementIssue = issue;
    return verified;
}

int MkvParser::verifyElement(const MkvElement& element, const ByteBuffer& key, ByteBuffer* value) {
    const SignatureSite site = findSignature(element);
    if (site.status != VERIFY_OK) {
        elementIssue = site.issue;
        return site.status;
    }
    const int result = checkSignature(site, key);
    if (value != nullptr) {
        *value = site.value;
    }
    return result;
}

int MkvParser::verifyTag() {
    detail.clear();
    walk = WalkEvidence();
    walk.fileSize = source() != nullptr ? source()->size() : -1;
    if (!segment.isValid()) {
        detail = "the recording was not parsed";
        return VERIFY_MISMATCH;
    }
    TagStatement& stated = walk.tag;
    stated.present = segment.tag.isValid();
    stated.offset = segment.tag.headerOffset;
    stated.serialNumber.assign(segment.tag.serialNumber.begin(), segment.tag.serialNumber.end());
    stated.startTime.assign(segment.tag.startTime.begin(), segment.tag.startTime.end());
    stated.endTime.assign(segment.tag.endTime.begin(), segment.tag.endTime.end());
    if (segment.tag.serialNumber.empty()) {
        walk.tagResult = VERIFY_UNSIGNED;
        detail =
            segment.tag.isValid() ? "the recorder tag has no serial number" : "no recorder tag";
        return VERIFY_UNSIGNED;
    }
    // The tag is checked with the built-in key, and its own value does not
    // enter the chain.
    const SignatureSite site = findSignature(segment.tag);
    int result = site.status;
    if (site.status != VERIFY_OK) {
        elementIssue = site.issue;
    } else {
        stated.kind = static_cast<uint8_t>(site.kind);
        stated.digestType = static_cast<uint8_t>(site.digestType);
        walk.tagSignedBytes = site.end - site.signedStart;
        stated.unsignedField = fieldBefore(segment.tag, site.signedStart);
        result = checkSignature(site, ByteBuffer());
        if (result != VERIFY_OK && site.kind == kKindRSA) {
            walk.tagOpensWithBuiltInKey = opensWithBuiltInKey(site.value);
        }
    }
    stated.verified = result == VERIFY_OK;
    walk.tagResult = result;
    if (result != VERIFY_OK) {
        detail = "recorder tag at offset " + std::to_string(segment.tag.headerOffset) + ": " +
                 elementIssue;
    }
    return result;
}

std::string MkvParser::clusterIssue(int64_t number, int64_t headerOffset) const {
    return "cluster " + std::to_string(number) + " at offset " + std::to_string(headerOffset) +
           ": " + elementIssue;
}

int MkvParser::finishChain(const ByteBuffer& chainKey, int64_t clusters) {
    if (chainKey == segment.tag.finalSignature) {
        return VERIFY_OK;
    }
    detail = clusters == 0 ? "no cluster, but the recorder tag names a final value"
                           : "the chain of " + std::to_string(clusters) +
                                 " clusters does not end on the recorder tag's final value";
    return VERIFY_MISMATCH;
}

int MkvParser::verifySignatures(ProgressCallback progress, void* context) {
    iReader* const bytes = source();
    const ReadBudget budget(bytes != nullptr ? bytes->size() : 0);
    const int tagResult = verifyTag();
    if (!segment.isValid()) {
        return tagResult;
    }
    // After a failure every later cluster is still checked, so the map
    // shows what else is intact; the first failure keeps the result.
    SegmentScan scan(*this);
    WalkRecorder recorder(*this, tagResult, progress, context);
    std::optional<ScannedCluster> current;  // outlives a throw, so stop() can name it
    try {
        for (;;) {
            current.reset();  // a failing scan must not name the cluster before it
            current = scan.next();
            if (!current) {
                break;
            }
            const int result = current->site.status == VERIFY_OK
                                   ? checkSignature(current->site, current->key)
                                   : VERIFY_UNSIGNED;
            recorder.record(std::move(*current), result, elementIssue);
        }
    } catch (...) {
        recorder.stop(std::current_exception(), current ? &*current : nullptr, scan);
    }
    return recorder.finish(scan);
}

}  // namespace nvr
