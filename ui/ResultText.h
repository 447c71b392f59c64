#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "verification/VerifyResult.h"

// Turning a result's bytes into words for the user. Bytes from a file are
// shown in the display form every output uses (displayText): controls,
// direction marks and zero-width characters as \u{XXXX}, bytes that are
// not UTF-8 as \xNN; they are never interpreted further.

// The whole byte string, zero bytes included.
QString textOf(const QByteArray& bytes);
QString textOf(const std::string& bytes);
// Text that reached the window as a QString (a path) in the same form.
QString shownText(const QString& text);
// Up to the first zero byte (a file name).
QString textUpToZero(const QByteArray& bytes);

// "Success", "Failed" or, for a file a cancelled run left, "Not verified
// (cancelled)", as the verdict cell shows it.
QString verdictWord(VerdictCode code);
// The colour of that word in the evidence text.
QString verdictColour(VerdictCode code);
// The kind of outcome in a word or two: "authentic", "signature does not hold",
// "not signed", "unreadable", "not verified".
QString outcomeWord(VerdictCode code);
// A failure's reason in a few neutral words (report/ShortReason.h), or
// "authentic" for a success; the Reason column and the evidence's verdict.
QString reasonWord(const VerifyResult& result);
// When the first failure lies by the file's stated times; empty without one.
QString firstFailureText(const VerifyResult& result);
// Why the file passed or failed: a headline, then the particulars on a line
// of their own when there are any.
QString describeResult(const VerifyResult& result);
// The reason's particulars only (empty for a success).
QString reasonDetail(const VerifyResult& result);
// "YYYY-MM-DD hh:mm:ss UTC", or empty when never verified.
QString verifiedAtText(const VerifyResult& result);
