#include "report/ReportSink.h"

ReportFiles lentFiles(const std::vector<RecordingEvidence>& files) {
    ReportFiles lent;
    lent.count = files.size();
    // An empty owner: the pointer borrows the element, it does not own it.
    lent.evidence = [&files](size_t i) {
        return std::shared_ptr<const RecordingEvidence>(std::shared_ptr<void>(), &files.at(i));
    };
    return lent;
}

RecordingEvidence continuityPart(const RecordingEvidence& evidence) {
    RecordingEvidence part;
    part.identity = evidence.identity;
    part.verdict = evidence.verdict;
    // What its Success claims (report/Wording.h).
    part.proofKey = evidence.proofKey;
    part.originProven = evidence.originProven;
    return part;
}
