#include "ui/RecordingDrop.h"

#include <QCoreApplication>
#include <QDir>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ui/ResultText.h"
#include "verification/PathBytes.h"

namespace {

QString trDrop(const char* text) {
    return QCoreApplication::translate("RecordingDrop", text);
}

bool isFolder(const QString& path) {
    struct stat status {};
    return ::stat(pathBytes(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A file manager sends a name that is not UTF-8 percent-encoded byte by
// byte; QUrl::toLocalFile would decode those bytes as UTF-8 and lose them.
QString localPath(const QUrl& url) {
    return pathFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

// A path from the disk as the user reads it.
QString shownBytes(const QByteArray& path) {
    return textOf(path);
}

// Appends the recordings under `folder` to `found`, in no particular order.
// Read with the system's own calls: Qt's folder listing leaves out every
// name that is not UTF-8, without a word.
void walkFolder(const QByteArray& folder, const ReadableProbe& readable,
                const std::atomic<bool>* stop, std::vector<std::pair<QByteArray, qint64>>& found,
                QStringList& notes) {
    if (stop != nullptr && stop->load()) {
        return;
    }
    DIR* const dir = readable(folder) ? ::opendir(folder.constData()) : nullptr;
    if (dir == nullptr) {
        notes << trDrop("Skipped unreadable folder %1").arg(shownBytes(folder));
        return;
    }
    // With the entry's type where the file system tells it: a file or a
    // folder that is no link needs no lstat.
    std::vector<std::pair<QByteArray, unsigned char>> names;
    while (const dirent* const entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names.emplace_back(name, entry->d_type);
        }
    }
    ::closedir(dir);
    for (const auto& [name, type] : names) {
        const QByteArray path = (folder.endsWith('/') ? folder : folder + '/') + name;
        // Only for a note: most entries are recordings.
        const auto shown = [&path] { return shownBytes(path); };
        struct stat link {};
        struct stat target {};
        const bool knownNoLink = type == DT_REG || type == DT_DIR;
        const bool isLink =
            !knownNoLink && ::lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode);
        const bool reached = ::stat(path.constData(), &target) == 0;
        if (name.startsWith('.')) {
            notes << trDrop("Skipped hidden entry %1").arg(shown());
        } else if (!reached) {
            notes << (isLink ? trDrop("Skipped broken link %1") : trDrop("Skipped vanished entry %1"))
                         .arg(shown());
        } else if (S_ISDIR(target.st_mode) && isLink) {
            // A link may lead back up the tree.
            notes << trDrop("Skipped linked folder %1").arg(shown());
        } else if (S_ISDIR(target.st_mode)) {
            walkFolder(path, readable, stop, found, notes);
        } else if (!S_ISREG(target.st_mode)) {
            notes << trDrop("Skipped %1: not a regular file").arg(shown());
        } else if (!isRecordingName(pathFromBytes(name))) {
            notes << trDrop("Skipped %1: not named .mkv").arg(shown());
        } else if (!readable(path)) {
            notes << trDrop("Skipped unreadable file %1").arg(shown());
        } else {
            found.emplace_back(path, static_cast<qint64>(target.st_size));
        }
    }
}

}  // namespace

bool isRecordingName(const QString& path) {
    return fileNameOf(path).endsWith(QLatin1String(".mkv"), Qt::CaseInsensitive);
}

QString recordingFilter() {
    return trDrop("Matroska Files (*.[mM][kK][vV])");
}

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
        const QString path = localPath(url);
        if (!isRecordingName(path) && !isFolder(path)) {
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
        paths << localPath(url);
    }
    return paths;
}

StartArguments startArguments(int argc, const char* const* argv) {
    StartArguments arguments;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (!options || !argument.startsWith('-') || argument == "-") {
            arguments.paths << pathFromBytes(argument);
        } else if (argument == "--") {
            options = false;
        } else if (argument == "--help" || argument == "-h") {
            arguments.help = true;
        } else if (argument == "--version" || argument == "-v") {
            arguments.version = true;
        } else if (argument == "--examiner-key" || argument.startsWith("--examiner-key=")) {
            const bool joined = argument.contains('=');
            const QByteArray value = joined ? argument.mid(argument.indexOf('=') + 1)
                                     : i + 1 < argc ? QByteArray(argv[++i])
                                                    : QByteArray();
            arguments.examinerKey = value;
            if (value.isEmpty()) {
                arguments.usageError = "--examiner-key needs a value";
            }
        } else if (arguments.unknownOption.isEmpty()) {
            arguments.unknownOption = argument;
        }
    }
    return arguments;
}

QStringList argumentPaths(int argc, const char* const* argv) {
    return startArguments(argc, argv).paths;
}

bool mayRead(const QByteArray& path) {
    return ::access(path.constData(), R_OK) == 0;
}

CollectedRecordings collectRecordings(const QStringList& paths, const ReadableProbe& readable,
                                      const std::atomic<bool>* stop) {
    CollectedRecordings collected;
    for (const QString& path : paths) {
        // One look-up tells a folder from a file and gives a file's size,
        // here off the window's thread.
        struct stat status {};
        const bool exists = ::stat(pathBytes(path).constData(), &status) == 0;
        if (!exists || !S_ISDIR(status.st_mode)) {
            collected.files << path;
            collected.sizes << (exists && S_ISREG(status.st_mode) ? qint64{status.st_size} : -1);
            continue;
        }
        std::vector<std::pair<QByteArray, qint64>> found;
        walkFolder(pathBytes(absolutePath(path)), readable, stop, found, collected.notes);
        // By bytes, as a listing of the folder sorts them.
        std::sort(found.begin(), found.end());
        for (const auto& [file, size] : found) {
            collected.files << pathFromBytes(file);
            collected.sizes << size;
        }
    }
    return collected;
}
