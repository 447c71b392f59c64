#include "verification/VerifyResult.h"

VerifyResult::VerifyResult(QByteArray name, RecordingEvidence evidence_)
    : evidence(std::make_shared<const RecordingEvidence>(std::move(evidence_))),
      fileName(std::move(name)) {}
