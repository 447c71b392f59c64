#pragma once

#include <QStringList>

class QMimeData;

// What the main window accepts by drag and drop: local files whose name
// ends in ".mkv", exactly so spelled, and nothing else in the same drag.
bool acceptsRecordings(const QMimeData& data);

// The dropped URLs as local paths, in their order; empty when any of them
// is not a local file.
QStringList droppedPaths(const QMimeData& data);
