// The signature walk: the recorder tag and every cluster of the segment are
// checked along the key chain, and the chain must end on the tag's value.
#include <limits>
#include <vector>

#include "container/MkvIds.h"
#include "container/MkvParser.h"
#include "container/NvrSignature.h"
#include "container/ReadBudget.h"
#include "signature/DWMException.h"
#include "signature/DigitalHMACSigner.h"
#include "signature/DigitalSignature.h"

namespace nvr {

namespace {

constexpr uint32_t kKindRSA = 1;
constexpr uint32_t kKindHMAC = 2;

const char* digestName(uint32_t digestType) {
    switch (digestType) {
        case 1:
            return "MD5";
        case 2:
            return "SHA-1";
        case 3:
            return "SHA-256";
        case 4:
            return "SHA-512";
        default:
            return "unknown digest";
    }
}

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

MkvParser::SignatureSite MkvParser::findSignature(const MkvElement& element) {
    SignatureSite site;
    site.end = element.endOffset();
    int64_t position = element.dataOffset;
    while (position < site.end) {
        const MkvElement child(source(), position);
        const int64_t next = child.endOffset();
        if (child.id == ID_NVR_SIGNATURE) {
            NvrSignature signature(child);
            signature.parse();
            site.signedStart = signature.endOffset();
            if (site.signedStart >= site.end) {
                elementIssue = "nothing follows its signature element at offset " +
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
    elementIssue = "no signature element of kind 1 or 2";
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

int MkvParser::verifyElement(const MkvElement& element, const ByteBuffer& key, ByteBuffer* value) {
    const SignatureSite site = findSignature(element);
    if (site.status != VERIFY_OK) {
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
    if (!segment.isValid()) {
        detail = "the recording was not parsed";
        return VERIFY_MISMATCH;
    }
    if (segment.tag.serialNumber.empty()) {
        detail =
            segment.tag.isValid() ? "the recorder tag has no serial number" : "no recorder tag";
        return VERIFY_UNSIGNED;
    }
    // The tag is checked with the built-in key, and its own value does not
    // enter the chain.
    const int result = verifyElement(segment.tag, ByteBuffer(), nullptr);
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
    if (tagResult != VERIFY_OK) {
        return tagResult;
    }

    ByteBuffer chainKey;
    ByteBuffer lastValue;
    const int64_t end = segment.endOffset();
    int64_t position = segment.dataOffset;
    int64_t clusters = 0;
    while (position < end) {
        const MkvElement child(source(), position);
        if (child.id == ID_CLUSTER) {
            ++clusters;
            const int result = verifyElement(child, chainKey, &lastValue);
            if (result != VERIFY_OK) {
                detail = clusterIssue(clusters, child.headerOffset);
                return result;
            }
            if (progress != nullptr) {
                progress(static_cast<double>(child.headerOffset) / static_cast<double>(end),
                         context);
            }
            chainKey = lastValue;
        }
        position = child.endOffset();
    }
    return finishChain(chainKey, clusters);
}

}  // namespace nvr
