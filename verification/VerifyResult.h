#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <memory>
#include <vector>

#include "report/ReportPicture.h"
#include "signature/RecordingEvidence.h"

// One verified file as the window lists it: the core's evidence, shared and
// never changed, so a result copies cheaply between threads, and what only
// the window knows. The verdict is read from the evidence alone.
struct VerifyResult {
    VerifyResult() = default;
    // The result of `evidence`, listed as `name` (its exact bytes, not always UTF-8, without directory).
    VerifyResult(QByteArray name, RecordingEvidence evidence);

    // The whole evidence behind the verdict; null only for a result never
    // verified.
    std::shared_ptr<const RecordingEvidence> evidence;
    QByteArray fileName;  // without directory, UTF-8
    // The absolute path as queued, and when its verdict was reached (UTC).
    QString path;
    QDateTime verifiedAt;
    // The pictures around the first failing run, decoded by the worker;
    // null or empty for a file that did not fail.
    std::shared_ptr<const std::vector<ReportPicture>> filmstrip;
    // A row of a reopened case: its verification's id in the case file while
    // `evidence` is only a stand-in with the verdict code, until the row is
    // shown and the evidence loaded (then 0).
    int64_t storedVerification = 0;
    // Its evidence came from a case, which keeps no pictures: the pane makes
    // them again from the file when the row is shown.
    bool picturesFromFile = false;

    // Whether the file was left unverified by a cancelled run.
    bool cancelled() const { return code() == VerdictCode::NotVerified && evidence != nullptr; }

    // The verdict's parts. Only Success counts as success.
    VerdictCode code() const {
        return evidence ? evidence->verdict.code : VerdictCode::NotVerified;
    }
    // The error's text when code is Error.
    QByteArray errorText() const { return bytes(&RecordingVerdict::errorText); }
    // Why the signature walk did not verify and where (Mismatch, Unsigned).
    QByteArray detail() const { return bytes(&RecordingVerdict::detail); }
    // From the recorder tag; filled only on Success. The tag's texts
    // byte for byte.
    QByteArray startTime() const { return bytes(&RecordingVerdict::startTime); }
    QByteArray endTime() const { return bytes(&RecordingVerdict::endTime); }
    QByteArray serialNumber() const { return bytes(&RecordingVerdict::serialNumber); }

  private:
    QByteArray bytes(std::string RecordingVerdict::*text) const {
        return evidence ? QByteArray::fromStdString(evidence->verdict.*text) : QByteArray();
    }
};

// A reopened row with `stored`, its evidence read back from the case, in
// place of the stand-in: shown, exported and its pictures made from the file
// alike wherever it is read.
VerifyResult withStoredEvidence(const VerifyResult& result,
                                std::shared_ptr<const RecordingEvidence> stored);

// The reason a file was left unverified by a cancelled run.
extern const char kCancelledText[];

// A file at `path` that a cancelled run did not verify to the end, or at
// all: code -1, no verdict, its reason kCancelledText.
VerifyResult cancelledResult(const QString& path);

Q_DECLARE_METATYPE(VerifyResult)
