#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "container/MkvEBMLHeader.h"
#include "container/MkvFileReader.h"
#include "container/MkvSegment.h"

// The walk's result (signature/SignatureWalk.h), named here without its values.
enum class VerifyWalkResult : int;

namespace nvr {

// The signature walk's parts; the walk's members below are defined in
// signature/, which builds on this reader.
struct WalkEvidence;
class WalkState;

// The walk's state comes with its own deleter, so that this reader can
// destroy it without knowing the type or linking the walk.
struct WalkStateDeleter {
    void (*destroy)(WalkState*) = nullptr;
    void operator()(WalkState* state) const noexcept {
        if (destroy != nullptr) {
            destroy(state);
        }
    }
};

// One recording: opens it, checks that an EBML header is followed by a
// Segment, and loads the segment's metadata with the recorder tag.
class MkvParser {
  public:
    // The walk's progress as a fraction below 1.0; context is handed back
    // unchanged. May be null. The same type as ProgressCallback.
    using Progress = void (*)(double fraction, void* context);

    // Opens the file (path in the local 8-bit encoding). Throws MkvException:
    // MkvErrorCode::Invalid for a null path, "not a regular file (...)" for
    // a FIFO, a device and the like, "failed to open file" otherwise.
    explicit MkvParser(const char* path);
    // Reads a file opened once for every reader of a verification.
    explicit MkvParser(std::shared_ptr<const RecordingFile> file);
    // Reads from another byte source, such as one in memory.
    explicit MkvParser(std::unique_ptr<iReader> source);
    MkvParser(const MkvParser&) = delete;
    MkvParser& operator=(const MkvParser&) = delete;
    virtual ~MkvParser();

    // Reads the EBML header and the first Segment; returns 0 or throws.
    int parse();

    // Verifies the recorder tag and the chain of cluster signatures; returns
    // Ok, Mismatch or Unsigned, or throws MkvException.
    VerifyWalkResult verifySignatures(Progress progress, void* context);
    // The same walk, with the clusters checked on this thread and one thread
    // per helper: each helper is a parser opened on the same file and lends
    // only its byte source. The result, the exception, the description and
    // the progress reports are those of verifySignatures.
    // `batchClusters` caps the clusters scanned ahead (0: the default).
    VerifyWalkResult verifySignaturesParallel(
        Progress progress, void* context, const std::vector<std::unique_ptr<MkvParser>>& helpers,
        size_t batchClusters = 0);
    // Why the last walk did not verify and where; empty after Ok.
    const std::string& verifyDetail() const;
    // Everything the last walk recorded: the tag, every cluster with its
    // status and time, coverage. Filled as far as the walk got, also when
    // it threw.
    const WalkEvidence& walkEvidence() const;
    // Asks a running walk to stop at its next piece of data; it then throws
    // MkvException. The flag must outlive the walk.
    void setCancelFlag(const std::atomic<bool>* flag);

    const MkvEBMLHeader& ebmlHeader() const { return header; }
    const MkvSegment& parsedSegment() const { return segment; }
    const TNVRTag& tag() const { return segment.tag; }

  private:
    friend class WalkState;

    iReader* source();

    // Checks the first signature element of kind 1 or 2 among the children
    // of `element` with `key` (empty: the built-in key): Ok, Mismatch or
    // Unsigned. Copies that element's value into `value`.
    VerifyWalkResult verifyElement(const MkvElement& element, const ByteBuffer& key,
                                   ByteBuffer* value);
    // 0 when [start, start + length) matches, 1 when not; throws MkvException.
    int verifyRSA(uint32_t digestType, int64_t start, int64_t length, const ByteBuffer& key,
                  const ByteBuffer& signature);
    int verifyHMAC(uint32_t digestType, int64_t start, int64_t length, const ByteBuffer& key,
                   const ByteBuffer& mac);

    std::unique_ptr<WalkState, WalkStateDeleter> walkState;  // made by the walk on first use

    MkvFileReader reader;
    std::unique_ptr<iReader> externalSource;
    MkvEBMLHeader header;
    MkvSegment segment;
};

}  // namespace nvr
