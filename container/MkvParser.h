#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "container/MkvEBMLHeader.h"
#include "container/MkvFileReader.h"
#include "container/MkvSegment.h"
#include "signature/SignatureSite.h"
#include "signature/SignatureWalk.h"
#include "signature/WalkEvidence.h"

namespace nvr {

// One recording: opens it, checks that an EBML header is followed by a
// Segment, and loads the segment's metadata with the recorder tag.
class MkvParser {
  public:
    // Opens the file (path in the local 8-bit encoding). Throws MkvException:
    // MKV_ERR_INVALID for a null path, "failed to open file" otherwise.
    explicit MkvParser(const char* path);
    // Reads from another byte source, such as one in memory.
    explicit MkvParser(std::unique_ptr<iReader> source);
    MkvParser(const MkvParser&) = delete;
    MkvParser& operator=(const MkvParser&) = delete;
    virtual ~MkvParser();

    // Reads the EBML header and the first Segment; returns 0 or throws.
    int parse();

    // Verifies the recorder tag and the chain of cluster signatures; returns
    // VERIFY_OK, VERIFY_MISMATCH or VERIFY_UNSIGNED, or throws MkvException.
    int verifySignatures(ProgressCallback progress, void* context);
    // The same walk, with the clusters checked on this thread and one thread
    // per helper: each helper is a parser opened on the same file and lends
    // only its byte source. The result, the exception, the description and
    // the progress reports are those of verifySignatures.
    // `batchClusters` caps the clusters scanned ahead (0: the default).
    int verifySignaturesParallel(ProgressCallback progress, void* context,
                                 const std::vector<std::unique_ptr<MkvParser>>& helpers,
                                 size_t batchClusters = 0);
    // Why the last walk did not verify and where; empty after VERIFY_OK.
    const std::string& verifyDetail() const { return detail; }
    // Everything the last walk recorded: the tag, every cluster with its
    // status and time, coverage. Filled as far as the walk got, also when
    // it threw.
    const WalkEvidence& walkEvidence() const { return walk; }
    // Asks a running walk to stop at its next piece of data; it then throws
    // MkvException. The flag must outlive the walk.
    void setCancelFlag(const std::atomic<bool>* flag) { cancel = flag; }

    const MkvEBMLHeader& ebmlHeader() const { return header; }
    const MkvSegment& parsedSegment() const { return segment; }
    const TNVRTag& tag() const { return segment.tag; }

  private:
    friend class SegmentScan;
    friend class WalkRecorder;

    iReader* source();

    // Checks the first signature element of kind 1 or 2 among the children
    // of `element` with `key` (empty: the built-in key); 0 verified,
    // 1 mismatch, 2 unsigned. Copies that element's value into `value`.
    int verifyElement(const MkvElement& element, const ByteBuffer& key, ByteBuffer* value);

    // Checks the recorder tag; VERIFY_OK or the walk's result, with detail
    // set, and records what the tag states.
    int verifyTag();
    // Compares the chain's end with the tag's final value, setting detail.
    int finishChain(const ByteBuffer& chainKey, int64_t clusters);
    // "cluster N at offset X: " and elementIssue.
    std::string clusterIssue(int64_t number, int64_t headerOffset) const;
    // The search half of verifyElement; also picks up a cluster's Timecode.
    SignatureSite findSignature(const MkvElement& element);
    // The checking half: VERIFY_OK or VERIFY_MISMATCH (elementIssue says why).
    int checkSignature(const SignatureSite& site, const ByteBuffer& key);
    // A key trial: true when `site` verifies with `key`; never throws.
    bool keyVerifies(const SignatureSite& site, const ByteBuffer& key);
    int verifyRSA(uint32_t digestType, int64_t start, int64_t length, const ByteBuffer& key,
                  const ByteBuffer& signature);
    int verifyHMAC(uint32_t digestType, int64_t start, int64_t length, const ByteBuffer& key,
                   const ByteBuffer& mac);
    // Feeds [start, start + length) to `update` in pieces, retrying failed reads.
    template <typename Update>
    void streamRange(int64_t start, int64_t length, Update&& update);

    std::string detail;
    std::vector<uint8_t> chunkBuffer;  // pieces of signed ranges
    std::string elementIssue;          // why verifyElement did not return 0
    WalkEvidence walk;
    const std::atomic<bool>* cancel = nullptr;

    MkvFileReader reader;
    std::unique_ptr<iReader> externalSource;
    MkvEBMLHeader header;
    MkvSegment segment;
};

}  // namespace nvr
