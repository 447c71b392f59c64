// The signature walk: the recorder tag and every cluster of the segment are
// checked along the key chain, and the chain must end on the tag's value.
#include <limits>
#include <vector>

#include "container/MkvIds.h"
#include "container/MkvParser.h"
#include "container/NvrSignature.h"
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
    std::vector<uint8_t> buffer(kReadChunkSize);
    int retriesLeft = kReadRetries;  // one budget for the whole range
    while (length != 0) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            throw MkvException(MKV_ERR_OTHER, "verification cancelled");
        }
        const auto chunk = static_cast<int32_t>(length >= kReadChunkSize ? kReadChunkSize : length);
        if (bytes->read(start, chunk, buffer.data()) > 0) {
            update(buffer.data(), chunk);
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

int MkvParser::verifyElement(const MkvElement& element, const ByteBuffer& key, ByteBuffer* value) {
    const int64_t end = element.endOffset();
    int64_t position = element.dataOffset;
    while (position < end) {
        const MkvElement child(source(), position);
        const int64_t next = child.endOffset();
        if (child.id == ID_NVR_SIGNATURE) {
            NvrSignature signature(child);
            signature.parse();
            const int64_t signedStart = signature.endOffset();
            if (signedStart >= end) {
                elementIssue = "nothing follows its signature element at offset " +
                               std::to_string(signature.headerOffset);
                return VERIFY_UNSIGNED;
            }
            const int64_t length = end - signedStart;
            int result = -1;
            if (signature.signatureKind == kKindHMAC) {
                result = verifyHMAC(signature.digestType, signedStart, length, key,
                                    signature.signatureBytes);
            } else if (signature.signatureKind == kKindRSA) {
                result = verifyRSA(signature.digestType, signedStart, length, key,
                                   signature.signatureBytes);
            }
            if (result >= 0) {
                if (value != nullptr) {
                    *value = signature.signatureBytes;
                }
                if (result != 0) {
                    elementIssue =
                        std::string(signature.signatureKind == kKindHMAC ? "HMAC"
                                                                         : "RSA signature") +
                        " (" + digestName(signature.digestType) + ") over bytes " +
                        std::to_string(signedStart) + " to " + std::to_string(end - 1) +
                        " does not match";
                    return VERIFY_MISMATCH;
                }
                return VERIFY_OK;
            }
            // Any other kind is passed over; the search goes on.
        }
        position = next;
    }
    elementIssue = "no signature element of kind 1 or 2";
    return VERIFY_UNSIGNED;
}

int MkvParser::verifySignatures(ProgressCallback progress, void* context) {
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

    ByteBuffer chainKey;
    ByteBuffer lastValue;
    const int tagResult = verifyElement(segment.tag, chainKey, &lastValue);
    if (tagResult != VERIFY_OK) {
        detail = "recorder tag at offset " + std::to_string(segment.tag.headerOffset) + ": " +
                 elementIssue;
        return tagResult;
    }
    // The tag's own value does not enter the chain.
    chainKey.clear();
    lastValue.clear();

    const int64_t end = segment.endOffset();
    int64_t position = segment.dataOffset;
    int64_t clusters = 0;
    while (position < end) {
        const MkvElement child(source(), position);
        if (child.id == ID_CLUSTER) {
            ++clusters;
            const int result = verifyElement(child, chainKey, &lastValue);
            if (result != VERIFY_OK) {
                detail = "cluster " + std::to_string(clusters) + " at offset " +
                         std::to_string(child.headerOffset) + ": " + elementIssue;
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

    if (chainKey != segment.tag.finalSignature) {
        detail = clusters == 0 ? "no cluster, but the recorder tag names a final value"
                               : "the chain of " + std::to_string(clusters) +
                                     " clusters does not end on the recorder tag's final value";
        return VERIFY_MISMATCH;
    }
    return VERIFY_OK;
}

}  // namespace nvr
