#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/ReportPicture.h"
#include "signature/RecordingEvidence.h"

// Where a report goes while it is written, piece by piece, so a report of
// any number of files never exists whole in memory.
class ReportSink {
  public:
    virtual ~ReportSink() = default;
    // False stops the writer: the bytes could not be kept, or the reader of
    // the sink wants no more (a cancelled export).
    virtual bool write(std::string_view bytes) = 0;
};

// The whole report in one string, for small reports and tests.
class StringSink : public ReportSink {
  public:
    bool write(std::string_view bytes) override {
        text.append(bytes);
        return true;
    }
    std::string text;
};

// The files of a report, fetched one at a time: a writer holds one file's
// evidence at once, however many files there are.
struct ReportFiles {
    size_t count = 0;
    // File i's evidence; never null for i < count.
    std::function<std::shared_ptr<const RecordingEvidence>(size_t)> evidence;
    // The pictures around file i's first failing run; null for none. May be
    // unset, when no file has pictures.
    std::function<std::shared_ptr<const std::vector<ReportPicture>>(size_t)> pictures;
    // When file i was verified, UTC "YYYY-MM-DDThh:mm:ssZ". May be unset,
    // or give "" for a file: then the run's time stands for it.
    std::function<std::string(size_t)> verifiedAt;
};

// The files of a vector, lent: the vector must outlive the result.
ReportFiles lentFiles(const std::vector<RecordingEvidence>& files);

// What the continuity across files reads of one file (its identity,
// verdict and what the verdict claims), so it can be kept for every file while each file's evidence
// is dropped after its section.
RecordingEvidence continuityPart(const RecordingEvidence& evidence);
