#include "ui/RowEvidence.h"

#include <QFile>

RecordingEvidence evidenceOfRow(const VerifyResult& result) {
    if (result.evidence != nullptr) {
        return *result.evidence;
    }
    RecordingEvidence evidence;
    evidence.verdict.code = result.code;
    evidence.verdict.errorText = result.errorText.toStdString();
    evidence.verdict.detail = result.detail.toStdString();
    evidence.verdict.serialNumber = result.serialNumber.toStdString();
    evidence.verdict.startTime = result.startTime.toStdString();
    evidence.verdict.endTime = result.endTime.toStdString();
    evidence.identity.path = QFile::encodeName(result.path).toStdString();
    return evidence;
}
