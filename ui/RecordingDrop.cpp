#include "ui/RecordingDrop.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

bool acceptsRecordings(const QMimeData& data) {
    // A URL list may be present and empty; that is no file either.
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty()) {
        return false;
    }
    for (const QUrl& url : urls) {
        if (!url.isLocalFile() || QFileInfo(url.toString()).suffix() != QLatin1String("mkv")) {
            return false;
        }
    }
    return true;
}

QStringList droppedPaths(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        paths << url.toLocalFile();
    }
    return paths;
}
