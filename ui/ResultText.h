#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "report/Wording.h"
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
// What the verdict claims (report/Wording.h); a result never verified
// claims nothing.
VerdictWording wordingOf(const VerifyResult& result);
// The colour of the verdict in the evidence text: green only for a Success
// that proves its origin (the list row keeps the look of every Success).
QString verdictColour(const VerifyResult& result);
// A failure's reason in a few neutral words (report/ShortReason.h), or what
// a Success claims ("authentic", "sealed with the built-in key, no origin
// proven"); the
// evidence's verdict, tool tips and the continuity of several files.
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
