// The parser's signature walk: the recorder tag and every cluster of the
// segment are checked along the key chain, and the chain must end on the
// tag's value. The reader declares these members; they live here, with the
// rest of the walk.
#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "container/MkvParser.h"
#include "container/ReadBudget.h"
#include "signature/DWMException.h"
#include "signature/DigitalHMACSigner.h"
#include "signature/DigitalSignature.h"
#include "signature/SegmentScan.h"
#include "signature/WalkRecorder.h"
#include "signature/WalkState.h"

namespace nvr {

namespace {

// Signer arguments for a chain key: none (the built-in key) when empty.
const uint8_t* keyData(const ByteBuffer& key) {
    return key.empty() ? nullptr : key.data();
}

int32_t keyLength(const ByteBuffer& key) {
    if (key.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        throw DWMException(DWMErrorCode::InvalidArguments);
    }
    return static_cast<int32_t>(key.size());
}

DigestType digestOf(uint32_t digestType) {
    return static_cast<DigestType>(static_cast<int32_t>(digestType));
}

// Feeds [start, start + length) to `update` in pieces, retrying failed reads.
template <typename Update>
void streamRange(WalkState& state, int64_t start, int64_t length, Update&& update) {
    iReader* const bytes = state.source();
    if (bytes == nullptr) {
        throw MkvException(MkvErrorCode::NoReader);
    }
    // One buffer for every range of the walk: a fresh one per cluster would
    // cost more than hashing a small cluster. It grows to the largest piece
    // read, so a small file does not clear a quarter megabyte.
    const int64_t needed = std::clamp<int64_t>(length, 0, kReadChunkSize);
    if (state.chunkBuffer.size() < static_cast<size_t>(needed)) {
        state.chunkBuffer.resize(static_cast<size_t>(needed));
    }
    uint8_t* const buffer = state.chunkBuffer.data();
    int retriesLeft = kReadRetries;  // one budget for the whole range
    while (length != 0) {
        state.throwIfCancelled();
        const auto chunk = static_cast<int32_t>(length >= kReadChunkSize ? kReadChunkSize : length);
        if (bytes->read(start, chunk, buffer) > 0) {
            update(buffer, chunk);
            start += chunk;
            length -= chunk;
        } else if (retriesLeft == 0) {
            throw MkvException(MkvErrorCode::Io, start);
        } else {
            --retriesLeft;
        }
    }
}

}  // namespace

const std::string& MkvParser::verifyDetail() const {
    static const std::string none;
    return walkState ? walkState->detail : none;
}

const WalkEvidence& MkvParser::walkEvidence() const {
    static const WalkEvidence none;
    return walkState ? walkState->evidence : none;
}

void MkvParser::setCancelFlag(const std::atomic<bool>* flag) {
    WalkState::of(*this).cancel = flag;
}

int MkvParser::verifyHMAC(uint32_t digestType, int64_t start, int64_t length, const ByteBuffer& key,
                          const ByteBuffer& mac) {
    try {
        DigitalHMACSigner signer(digestOf(digestType), keyData(key), keyLength(key));
        streamRange(WalkState::of(*this), start, length,
                    [&signer](const uint8_t* data, int32_t size) { signer.update(data, size); });
        std::vector<uint8_t> computed;
        signer.sign(computed);
        return computed == mac ? 0 : 1;  // lengths first, then bytes
    } catch (const DWMException& e) {
        throw MkvException(MkvErrorCode::Other, std::string("Caught DWMException: ") + e.what());
    }
}

int MkvParser::verifyRSA(uint32_t digestType, int64_t start, int64_t length, const ByteBuffer& key,
                         const ByteBuffer& signature) {
    try {
        DigitalSignature verifier(digestOf(digestType), keyData(key), keyLength(key));
        streamRange(
            WalkState::of(*this), start, length,
            [&verifier](const uint8_t* data, int32_t size) { verifier.update(data, size); });
        return verifier.verify(signature) == DWMErrorCode::NoError ? 0 : 1;
    } catch (const DWMException& e) {
        throw MkvException(MkvErrorCode::Other, std::string("Caught DWMException: ") + e.what());
    }
}

ByteBuffer WalkState::signedBytesOf(const SignatureSite& site, int64_t limit) {
    ByteBuffer bytes;
    const int64_t length = site.end - site.signedStart;
    if (length <= 0 || length > limit) {
        return bytes;
    }
    try {
        bytes.reserve(static_cast<size_t>(length));
        streamRange(*this, site.signedStart, length, [&bytes](const uint8_t* data, int32_t size) {
            bytes.insert(bytes.end(), data, data + size);
        });
    } catch (...) {
        bytes.clear();  // read again when tried
    }
    return bytes;
}

std::optional<size_t> WalkState::firstKeyVerifying(const SignatureSite& site,
                                                   const ByteBuffer& signedBytes,
                                                   const std::vector<const ByteBuffer*>& keys) {
    // A key that does not construct (no key of this kind) stays null.
    std::vector<std::unique_ptr<DigitalHMACSigner>> macs(keys.size());
    std::vector<std::unique_ptr<DigitalSignature>> rsa(keys.size());
    try {
        for (size_t i = 0; i < keys.size(); ++i) {
            const ByteBuffer& key = keyFor(*keys[i], site.kind);
            try {
                if (site.kind == kKindHMAC) {
                    macs[i] = std::make_unique<DigitalHMACSigner>(digestOf(site.digestType),
                                                                  keyData(key), keyLength(key));
                } else {
                    rsa[i] = std::make_unique<DigitalSignature>(digestOf(site.digestType),
                                                                keyData(key), keyLength(key));
                }
            } catch (const DWMException&) {
            }
        }
        const auto update = [&](const uint8_t* data, size_t size) {
            for (size_t i = 0; i < keys.size(); ++i) {
                if (macs[i]) {
                    macs[i]->update(data, size);
                } else if (rsa[i]) {
                    rsa[i]->update(data, size);
                }
            }
        };
        if (!signedBytes.empty()) {
            update(signedBytes.data(), signedBytes.size());
        } else {
            streamRange(*this, site.signedStart, site.end - site.signedStart,
                        [&update](const uint8_t* data, int32_t size) {
                            update(data, static_cast<size_t>(size));
                        });
        }
        std::vector<uint8_t> computed;
        for (size_t i = 0; i < keys.size(); ++i) {
            if (macs[i] && macs[i]->sign(computed) == DWMErrorCode::NoError &&
                computed == site.value) {  // lengths first, then bytes
                return i;
            }
            if (rsa[i] && rsa[i]->verify(site.value) == DWMErrorCode::NoError) {
                return i;
            }
        }
    } catch (...) {
        // A read fault or a cancel: no key verified what was not read.
    }
    return std::nullopt;
}

VerifyWalkResult MkvParser::verifyElement(const MkvElement& element, const ByteBuffer& key,
                                          ByteBuffer* value) {
    WalkState& state = WalkState::of(*this);
    const SignatureSite site = state.findSignature(element);
    if (site.status != VerifyWalkResult::Ok) {
        state.elementIssue = site.issue;
        return site.status;
    }
    const VerifyWalkResult result = state.checkSignature(site, key);
    if (value != nullptr) {
        *value = site.value;
    }
    return result;
}

VerifyWalkResult MkvParser::verifySignatures(Progress progress, void* context) {
    WalkState& state = WalkState::of(*this);
    iReader* const bytes = source();
    const ReadBudget budget(bytes != nullptr ? bytes->size() : 0);
    const VerifyWalkResult tagResult = state.verifyTag();
    if (!segment.isValid()) {
        return tagResult;
    }
    // After a failure every later cluster is still checked, so the map
    // shows what else is intact; the first failure keeps the result.
    SegmentScan scan(state);
    WalkRecorder recorder(state, tagResult, progress, context);
    std::optional<ScannedCluster> current;  // outlives a throw, so stop() can name it
    try {
        for (;;) {
            current.reset();  // a failing scan must not name the cluster before it
            current = scan.next();
            if (!current) {
                break;
            }
            const VerifyWalkResult result = current->site.status == VerifyWalkResult::Ok
                                                ? state.checkSignature(current->site, current->key)
                                                : VerifyWalkResult::Unsigned;
            recorder.record(std::move(*current), result, state.elementIssue);
        }
    } catch (...) {
        recorder.stop(std::current_exception(), current ? &*current : nullptr, scan);
    }
    return recorder.finish(scan);
}

}  // namespace nvr
