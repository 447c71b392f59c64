#include "verification/VerifyResult.h"

#include "verification/PathBytes.h"

const char kCancelledText[] = "cancelled";

VerifyResult::VerifyResult(QByteArray name, RecordingEvidence evidence_)
    : evidence(std::make_shared<const RecordingEvidence>(std::move(evidence_))),
      fileName(std::move(name)) {}

VerifyResult cancelledResult(const QString& path) {
    RecordingEvidence evidence;
    evidence.verdict.code = VerdictCode::NotVerified;
    evidence.verdict.errorText = kCancelledText;
    const QString absolute = absolutePath(path);
    evidence.identity.path = pathBytes(absolute).toStdString();
    VerifyResult result(pathBytes(fileNameOf(absolute)), std::move(evidence));
    result.path = absolute;
    return result;
}

VerifyResult withStoredEvidence(const VerifyResult& result,
                                std::shared_ptr<const RecordingEvidence> stored) {
    VerifyResult loaded = result;
    loaded.evidence = std::move(stored);
    loaded.storedVerification = 0;
    loaded.picturesFromFile =
        loaded.code() != VerdictCode::Success && loaded.code() != VerdictCode::NotVerified;
    return loaded;
}
