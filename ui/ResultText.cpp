#include "ui/ResultText.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("NResultTree", text);
}

QString withDetail(const QString& headline, const QString& detail) {
    return detail.isEmpty() ? headline : headline + QLatin1Char('\n') + detail;
}

}  // namespace

QString textOf(const QByteArray& bytes) {
    return QString::fromUtf8(bytes.constData(), bytes.size());
}

QString textUpToZero(const QByteArray& bytes) {
    const auto zero = bytes.indexOf('\0');
    return textOf(zero < 0 ? bytes : bytes.left(zero));
}

QString verdictWord(int code) {
    return code == 0 ? tr("Success") : tr("Failed");
}

QString outcomeWord(int code) {
    switch (code) {
        case 0:
            return tr("authentic");
        case 1:
            return tr("tampered");
        case 2:
            return tr("not signed");
        case 3:
            return tr("unreadable");
        default:
            return tr("not verified");
    }
}

QString reasonDetail(const VerifyResult& result) {
    switch (result.code) {
        case 1:
        case 2:
            return textOf(result.detail);
        case 3:
            return textOf(result.errorText);
        default:
            return {};
    }
}

QString describeResult(const VerifyResult& result) {
    const QString detail = reasonDetail(result);
    switch (result.code) {
        case 0:
            return tr("Authentic: the recorder tag and every cluster signature verified.");
        case 1:
            return withDetail(
                tr("Signature mismatch: the recording is not as the recorder signed it."), detail);
        case 2:
            return withDetail(tr("Not signed: the recording carries no usable signature."), detail);
        case 3:
            return withDetail(tr("Error while reading the file:"), detail);
        default:
            return tr("Not verified.");
    }
}

QString verifiedAtText(const VerifyResult& result) {
    if (!result.verifiedAt.isValid()) {
        return {};
    }
    return result.verifiedAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" UTC");
}
