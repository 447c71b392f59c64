#include "ui/RowEvidence.h"

#include <QFile>

RecordingEvidence evidenceOfRow(const VerifyResult& result) {
    if (result.evidence != nullptr) {
        return *result.evidence;
    }
    // Never verified: no verdict, only the path.
    RecordingEvidence evidence;
    evidence.identity.path = QFile::encodeName(result.path).toStdString();
    return evidence;
}
