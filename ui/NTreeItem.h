#pragma once

#include <QTreeWidgetItem>

#include "verification/VerifyResult.h"

// One row of the result tree. It keeps the whole record it was made from, so
// the verdict can be counted on removal and explained in its tool tip.
class NTreeItem : public QTreeWidgetItem {
  public:
    // Inserts the row into view as a top-level item.
    NTreeItem(const VerifyResult& result, QTreeWidget* view, int type = 0);
    ~NTreeItem() override;

    // Why the file passed or failed, in words for the user.
    static QString describe(const VerifyResult& result);

    const VerifyResult result;
};
