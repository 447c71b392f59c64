#pragma once

#include <functional>
#include <string>
#include <vector>

#include "signature/RecordingEvidence.h"

// Verifies a batch of files on up to `jobs` threads at once, through the
// core's FileScheduler. Each file's evidence arrives on the calling thread in
// the order the files were given, as soon as it and every file before it are
// done.
class BatchVerifier {
  public:
    using OnReport = std::function<void(RecordingEvidence&&)>;
    // Progress of the file verified alone (fraction), or of the batch as
    // files done out of all (done, total): called on the calling thread.
    using OnFileProgress = std::function<void(double fraction)>;
    using OnBatchProgress = std::function<void(size_t done, size_t total)>;

    // `options.threads` is ignored: it follows from `jobs`.
    explicit BatchVerifier(int jobs, const ExamineOptions& options = {});

    void run(const std::vector<std::string>& paths, const OnReport& onReport,
             const OnFileProgress& onFileProgress, const OnBatchProgress& onBatchProgress) const;

  private:
    int jobs;
    ExamineOptions examine;

    RecordingEvidence examineOne(const std::string& path, int threads,
                                 const OnFileProgress* progress) const;
};
