#pragma once

#include <QTreeWidget>

#include "verification/VerifyResult.h"

// The list of verified files: one row per result with a verdict cell, and
// running counts of successful and failed rows for the window's summary.
class NResultTree : public QTreeWidget {
    Q_OBJECT

  public:
    static constexpr int kResultColumn = 4;

    explicit NResultTree(QWidget* parent = nullptr);

    void addResult(const VerifyResult& result);
    // Removes and destroys every selected row, taking each out of its count.
    void removeSelected();

    // Rows whose code is not 0, and rows whose code is 0. Read-only for
    // others: only addResult and removeSelected change them.
    int failedCount = 0;
    int successCount = 0;
};
