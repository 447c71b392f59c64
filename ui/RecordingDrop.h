#pragma once

#include <QByteArray>
#include <QStringList>
#include <atomic>
#include <functional>

class QMimeData;

// Whether the file is named as a recording: ".mkv" in any case, one rule
// for the drop, the folder walk and the Add dialog (RecordingPicker).
bool isRecordingName(const QString& path);
// A file dialog's filter for recordings, by the same rule.
QString recordingFilter();

// What the main window accepts by drag and drop: local files named as
// recordings and local folders; nothing else in the same drag.
bool acceptsRecordings(const QMimeData& data);

// The dropped URLs as local paths, in their order; empty when any of them
// is not a local file.
QStringList droppedPaths(const QMimeData& data);

// The program's arguments after the application object took its own,
// without the program name; each is a path by its bytes (see PathBytes.h).
// "--help" and "--version" (or "-h", "-v") ask for the text instead;
// "--examiner-key FILE" (or "--examiner-key=FILE") names the key that seals
// the case, as telvar-verify's option does; any other argument starting with
// "-" is an unknown option; after "--" every argument is a path.
struct StartArguments {
    QStringList paths;
    bool help = false;
    bool version = false;
    QByteArray examinerKey;    // the key file's path as bytes; empty when not given
    QByteArray unknownOption;  // the first one, empty when none
    QByteArray usageError;     // an option given wrong ("--examiner-key needs a value")
};
StartArguments startArguments(int argc, const char* const* argv);
QStringList argumentPaths(int argc, const char* const* argv);

struct CollectedRecordings {
    QStringList files;  // to verify, in order
    QStringList notes;  // one line per entry skipped, for the user
    // The files' sizes as the walk found them, -1 for a file given as it
    // is; none at all when the files were not collected.
    QList<qint64> sizes;
};

// Whether this process may read the file or folder at these bytes. Tests
// stand in for it: they run as root, who may read anything.
using ReadableProbe = std::function<bool(const QByteArray& path)>;
bool mayRead(const QByteArray& path);

// The paths with every folder replaced by the recordings inside it and
// its subfolders, sorted by path. Every other entry the walk meets is named
// in a note: hidden entries, unreadable files and folders, folders reached
// through a symbolic link, broken links, files not named as recordings and
// anything that is not a regular file. Names are read as bytes, so one
// that is not UTF-8 is walked like any other (see PathBytes.h). Once `stop`
// is set the walk ends early with what it has; it may run on any thread.
// A path that is not a folder is kept as given, with its size (-1 when it
// is no regular file: its verification says why).
CollectedRecordings collectRecordings(const QStringList& paths,
                                      const ReadableProbe& readable = mayRead,
                                      const std::atomic<bool>* stop = nullptr);
