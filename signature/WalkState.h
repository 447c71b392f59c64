#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "container/MkvParser.h"
#include "signature/KeyStore.h"
#include "signature/SignatureSite.h"
#include "signature/WalkEvidence.h"

namespace nvr {

// What a parser's signature walks keep and share: the description of the
// last result, the evidence, the cancel flag and the read buffer, with the
// per-element checks every walk is built from. The parser holds one, made
// on first use, so the reader itself knows nothing of signatures.
class WalkState {
  public:
    explicit WalkState(MkvParser& parser);
    WalkState(const WalkState&) = delete;
    WalkState& operator=(const WalkState&) = delete;

    // The parser's state, made on first use.
    static WalkState& of(MkvParser& parser);

    iReader* source();
    const MkvSegment& segment() const { return parser.parsedSegment(); }

    // The search half of verifyElement; also picks up a cluster's Timecode.
    SignatureSite findSignature(const MkvElement& element);
    // The checking half: VerifyWalkResult::Ok or VerifyWalkResult::Mismatch (elementIssue says
    // why).
    VerifyWalkResult checkSignature(const SignatureSite& site, const ByteBuffer& key);
    // Key trials: the index of the first of `keys` (an empty one is the
    // built-in key) that verifies `site`, or none. The signed bytes are
    // `signedBytes` when not empty, else read once for all the keys. A value
    // that is no key of this kind, a read fault or a cancel verifies
    // nothing; never throws.
    std::optional<size_t> firstKeyVerifying(const SignatureSite& site,
                                            const ByteBuffer& signedBytes,
                                            const std::vector<const ByteBuffer*>& keys);
    // The signed bytes of `site` when there are at most `limit`, else (or
    // on a read fault) none; never throws.
    ByteBuffer signedBytesOf(const SignatureSite& site, int64_t limit);

    // Checks the recorder tag; VerifyWalkResult::Ok or the walk's result, with detail
    // set, and records what the tag states. Starts a fresh record.
    VerifyWalkResult verifyTag();
    // Whether a trusted RSA key opens `signature` (made by it over other
    // bytes: the tag was changed).
    bool opensWithTrustedKey(const ByteBuffer& signature) const;
    // The tag's signature tried with the store's keys of its kind.
    VerifyWalkResult checkTagWithStore(const SignatureSite& site);
    // Compares the chain's end with the tag's final value, setting detail.
    VerifyWalkResult finishChain(const ByteBuffer& chainKey, int64_t clusters);
    // "cluster N at offset X: " and elementIssue.
    std::string clusterIssue(int64_t number, int64_t headerOffset) const;
    // Throws MkvException when the walk was asked to stop.
    void throwIfCancelled() const;

    // The key `key` stands for: itself, or for an empty one the chain's
    // root key of `kind` (the tag's trusted key of that kind, else the
    // built-in one, which is empty too).
    const ByteBuffer& keyFor(const ByteBuffer& key, uint32_t kind) const;

    std::string detail;        // why the last walk did not verify and where
    std::string elementIssue;  // why the last element check did not verify
    WalkEvidence evidence;
    const std::atomic<bool>* cancel = nullptr;
    std::vector<uint8_t> chunkBuffer;  // pieces of signed ranges
    // The trusted keys; none: the built-in keys only, tried as always.
    const KeyStore* store = nullptr;
    // Seconds since 1970 (UTC) against which revocations are judged.
    int64_t validationTime = 0;
    // The store's key the tag held under, once verifyTag found it; the
    // chain follows it.
    const TrustedKey* tagKey = nullptr;

  private:
    MkvParser& parser;
};

}  // namespace nvr
