#include "ui/ResultText.h"

#include <QCoreApplication>

#include "report/Escape.h"
#include "report/ShortReason.h"
#include "verification/PathBytes.h"

namespace {

QString trResult(const char* text) {
    return QCoreApplication::translate("NResultTree", text);
}

QString withDetail(const QString& headline, const QString& detail) {
    return detail.isEmpty() ? headline : headline + QLatin1Char('\n') + detail;
}

}  // namespace

QString textOf(const std::string& bytes) {
    const std::string shown = displayText(bytes);
    return QString::fromUtf8(shown.data(), static_cast<int>(shown.size()));
}

QString textOf(const QByteArray& bytes) {
    return textOf(bytes.toStdString());
}

QString shownText(const QString& text) {
    // A path keeps its bytes that are not UTF-8 (PathBytes.h); they show as \xNN.
    return textOf(pathBytes(text));
}

QString textUpToZero(const QByteArray& bytes) {
    const auto zero = bytes.indexOf('\0');
    return textOf(zero < 0 ? bytes : bytes.left(zero));
}

QString verdictWord(VerdictCode code) {
    switch (code) {
        case VerdictCode::Success:
            return trResult("Success");
        case VerdictCode::NotVerified:
            return trResult("Not verified (cancelled)");
        default:
            return trResult("Failed");
    }
}

VerdictWording wordingOf(const VerifyResult& result) {
    static const RecordingEvidence none;
    return verdictWording(result.evidence != nullptr ? *result.evidence : none);
}

QString verdictColour(const VerifyResult& result) {
    switch (wordingOf(result).claim) {
        case Claim::Authentic:
            return QStringLiteral("#4a8a1c");
        case Claim::Sealed:
        case Claim::NoOrigin:
            return QStringLiteral("#2f5a99");
        case Claim::NotVerified:
            return QStringLiteral("#6d6d6d");
        case Claim::Failed:
            break;
    }
    return QStringLiteral("#ff4d4d");
}

QString reasonWord(const VerifyResult& result) {
    if (result.evidence == nullptr || result.code() == VerdictCode::Success) {
        return trResult(wordingOf(result).outcome);
    }
    return trResult(shortReason(*result.evidence).c_str());
}

QString firstFailureText(const VerifyResult& result) {
    return result.evidence == nullptr ? QString() : textOf(firstFailureWhen(*result.evidence));
}

QString reasonDetail(const VerifyResult& result) {
    switch (result.code()) {
        case VerdictCode::Mismatch:
        case VerdictCode::Unsigned:
            return textOf(result.detail());
        case VerdictCode::Error:
            return textOf(result.errorText());
        default:
            return {};
    }
}

QString describeResult(const VerifyResult& result) {
    // The words are the report's, so every output says the same.
    if (result.cancelled()) {
        return trResult("Not verified: the run was cancelled before this file's verdict was reached. "
                  "Verify it again with Ctrl+R.");
    }
    const QString headline = trResult(wordingOf(result).sentence);
    switch (result.code()) {
        case VerdictCode::Mismatch:
        case VerdictCode::Unsigned:
        case VerdictCode::Error:
            return withDetail(headline, reasonDetail(result));
        default:
            return headline;
    }
}

QString verifiedAtText(const VerifyResult& result) {
    if (!result.verifiedAt.isValid()) {
        return {};
    }
    return result.verifiedAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" UTC");
}
