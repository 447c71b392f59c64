#include "ui/TimelineColors.h"

#include <QCoreApplication>

QColor statusColor(ClusterStatus status) {
    switch (status) {
        case ClusterStatus::Verified:
            return QColor(QStringLiteral("#6fb02d"));
        case ClusterStatus::Mismatch:
            return QColor(QStringLiteral("#ff4d4d"));
        case ClusterStatus::Unsigned:
            return QColor(QStringLiteral("#e7b70e"));
        case ClusterStatus::Error:
            return QColor(QStringLiteral("#c92f2f"));
        case ClusterStatus::NotChecked:
        default:
            return QColor(QStringLiteral("#dce2ea"));
    }
}

QString statusWord(ClusterStatus status) {
    const char* word = "not checked";
    switch (status) {
        case ClusterStatus::Verified:
            word = "verified";
            break;
        case ClusterStatus::Mismatch:
            word = "signature mismatch";
            break;
        case ClusterStatus::Unsigned:
            word = "unsigned";
            break;
        case ClusterStatus::Error:
            word = "error";
            break;
        case ClusterStatus::NotChecked:
            break;
    }
    return QCoreApplication::translate("Timeline", word);
}
