#pragma once

#include <QColor>
#include <QString>

#include "signature/RecordingEvidence.h"

// A cluster status's colour, as in the exported report, and its word.
QColor statusColor(ClusterStatus status);
QString statusWord(ClusterStatus status);
