#pragma once

#include <functional>
#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"

// Verifies a batch of files on up to `jobs` threads at once, through the
// core's FileScheduler. Each file's evidence arrives on the calling thread in
// the order the files were given, as soon as it and every file before it are
// done, together with those after it done by then: none waits for a file
// still being examined.
class BatchVerifier {
  public:
    // One or more files' evidence, in order; the callee may move from it.
    using OnReports = std::function<void(std::vector<RecordingEvidence>& ready)>;
    // Progress of the file verified alone (fraction), or of the batch as
    // files done out of all (done, total): called on the calling thread.
    using OnFileProgress = std::function<void(double fraction)>;
    using OnBatchProgress = std::function<void(size_t done, size_t total)>;

    // `options.threads` is ignored: it follows from `jobs`. At most
    // `mostAtOnce` files' evidence is handed on together.
    explicit BatchVerifier(int jobs, const ExamineOptions& options = {}, size_t mostAtOnce = 1);

    void run(const std::vector<std::string>& paths, const OnReports& onReports,
             const OnFileProgress& onFileProgress, const OnBatchProgress& onBatchProgress) const;

  private:
    int jobs;
    ExamineOptions examine;
    size_t mostAtOnce;

    // `alone`: the only file being examined, so it takes every thread and
    // reports its progress.
    RecordingEvidence examineOne(const std::string& path, int threads, bool alone,
                                 const OnFileProgress& progress) const;
};
