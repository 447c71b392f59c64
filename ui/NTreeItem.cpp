#include "ui/NTreeItem.h"

#include <QCoreApplication>

namespace {

QString fromUtf8(const QByteArray& bytes) {
    // Explicit size: the whole string, zero bytes included.
    return QString::fromUtf8(bytes.constData(), bytes.size());
}

QString upToZero(const QByteArray& bytes) {
    const int zero = bytes.indexOf('\0');
    return fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

QString tr(const char* text) {
    return QCoreApplication::translate("NTreeItem", text);
}

// A headline, then the particulars on a line of their own when there are any.
QString withDetail(const QString& headline, const QByteArray& detail) {
    return detail.isEmpty() ? headline : headline + QLatin1Char('\n') + fromUtf8(detail);
}

}  // namespace

NTreeItem::NTreeItem(const VerifyResult& result, QTreeWidget* view, int type)
    : QTreeWidgetItem(view, type), result(result) {
    setText(0, upToZero(result.fileName));
    setText(3, fromUtf8(result.serialNumber));
    setTextAlignment(3, Qt::AlignCenter);
    setText(1, fromUtf8(result.startTime));
    setTextAlignment(1, Qt::AlignCenter);
    setText(2, fromUtf8(result.endTime));
    setTextAlignment(2, Qt::AlignCenter);

    // Every cell, so the reason shows wherever the mouse is on the row.
    const QString reason = describe(result);
    const int columns = view != nullptr ? view->columnCount() : columnCount();
    for (int column = 0; column < columns; ++column) {
        setToolTip(column, reason);
    }
}

NTreeItem::~NTreeItem() = default;

QString NTreeItem::describe(const VerifyResult& result) {
    switch (result.code) {
        case 0:
            return tr("Authentic: the recorder tag and every cluster signature verified.");
        case 1:
            return withDetail(
                tr("Signature mismatch: the recording is not as the recorder signed it."),
                result.detail);
        case 2:
            return withDetail(tr("Not signed: the recording carries no usable signature."),
                              result.detail);
        case 3:
            return withDetail(tr("Error while reading the file:"), result.errorText);
        default:
            return tr("Not verified.");
    }
}
