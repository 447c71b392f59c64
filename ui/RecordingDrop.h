#pragma once

#include <QStringList>

class QMimeData;

// What the main window accepts by drag and drop: local files whose name
// ends in ".mkv", exactly so spelled, and local folders; nothing else in
// the same drag.
bool acceptsRecordings(const QMimeData& data);

// The dropped URLs as local paths, in their order; empty when any of them
// is not a local file.
QStringList droppedPaths(const QMimeData& data);

// The program's arguments after the application object took its own,
// without the program name; each is a path by its bytes.
QStringList argumentPaths(int argc, const char* const* argv);

struct CollectedRecordings {
    QStringList files;  // to verify, in order
    QStringList notes;  // one line per entry skipped, for the user
};

// The paths with every folder replaced by the ".mkv" files inside it and
// its subfolders, sorted by path. Hidden entries, unreadable folders and
// folders reached through a symbolic link are skipped with a note.
CollectedRecordings collectRecordings(const QStringList& paths);
