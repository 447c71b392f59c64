#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <memory>
#include <vector>

#include "report/HtmlReport.h"

struct RecordingEvidence;

// The outcome of one file, carried by value from the worker thread to the
// window. Text fields are byte strings: the recorder tag's texts byte for
// byte, the file name in UTF-8.
struct VerifyResult {
    // A null name gives an empty fileName.
    explicit VerifyResult(const char* name = nullptr);

    // -1 not verified; 0 success; 1 signature mismatch; 2 not signed; 3 error.
    // Only 0 counts as success.
    int code = -1;
    QByteArray errorText;  // the error's text when code is 3
    QByteArray fileName;   // without directory, the exact bytes (not always UTF-8)
    // From the recorder tag; filled only when code is 0.
    QByteArray startTime;
    QByteArray endTime;
    QByteArray serialNumber;
    // Why the signature walk did not verify and where (codes 1 and 2).
    QByteArray detail;

    // The absolute path as queued, and when its verdict was reached (UTC).
    QString path;
    QDateTime verifiedAt;
    // The whole evidence behind the verdict; shared, never changed, so a
    // result copies cheaply between threads. Null when none was taken.
    std::shared_ptr<const RecordingEvidence> evidence;
    // The pictures around the first failing run, decoded by the worker;
    // null or empty for a file that did not fail.
    std::shared_ptr<const std::vector<ReportPicture>> filmstrip;
};

Q_DECLARE_METATYPE(VerifyResult)
