#include "ui/RecordingDrop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "ui/ResultText.h"

namespace {

bool isRecordingName(const QString& path) {
    return QFileInfo(path).suffix() == QLatin1String("mkv");
}

QString tr(const char* text) {
    return QCoreApplication::translate("RecordingDrop", text);
}

// Appends the recordings under `folder` to `found`, in no particular order.
void walkFolder(const QString& folder, QStringList& found, QStringList& notes) {
    const QDir dir(folder);
    if (!QFileInfo(folder).isReadable() || !dir.isReadable()) {
        notes
            << tr("Skipped unreadable folder %1").arg(shownText(QDir::toNativeSeparators(folder)));
        return;
    }
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString path = entry.absoluteFilePath();
        const QString shown = shownText(QDir::toNativeSeparators(path));
        if (entry.isHidden() || entry.fileName().startsWith(QLatin1Char('.'))) {
            notes << tr("Skipped hidden entry %1").arg(shown);
        } else if (entry.isDir() && entry.isSymLink()) {
            // A link may lead back up the tree.
            notes << tr("Skipped linked folder %1").arg(shown);
        } else if (entry.isDir()) {
            walkFolder(path, found, notes);
        } else if (isRecordingName(path)) {
            if (entry.isReadable()) {
                found << path;
            } else {
                notes << tr("Skipped unreadable file %1").arg(shown);
            }
        }
    }
}

}  // namespace

bool acceptsRecordings(const QMimeData& data) {
    // A URL list may be present and empty; that is no file either.
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty()) {
        return false;
    }
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            return false;
        }
        const QString path = url.toLocalFile();
        if (!isRecordingName(path) && !QFileInfo(path).isDir()) {
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

QStringList argumentPaths(int argc, const char* const* argv) {
    QStringList paths;
    for (int i = 1; i < argc; ++i) {
        paths << QFile::decodeName(argv[i]);
    }
    return paths;
}

CollectedRecordings collectRecordings(const QStringList& paths) {
    CollectedRecordings collected;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            collected.files << path;
            continue;
        }
        QStringList found;
        walkFolder(QFileInfo(path).absoluteFilePath(), found, collected.notes);
        found.sort();
        collected.files << found;
    }
    return collected;
}
