#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <array>
#include <vector>

#include "ui/ResultModel.h"
#include "verification/VerifyResult.h"

// The list of verified files: one row per result with a verdict cell, and
// running counts of successful and failed rows for the window's summary.
// Results arriving in a burst are listed together a moment later, so the
// window stays responsive however many arrive.
class NResultTree : public QTreeView {
    Q_OBJECT

  public:
    static constexpr int kResultColumn = ResultModel::kResultColumn;

    explicit NResultTree(QWidget* parent = nullptr);

    // Queues the result; it is listed within a few tens of milliseconds, or
    // a quarter of a second while results keep coming.
    void addResult(const VerifyResult& result);
    // Lists every queued result now.
    void flush();
    // Removes every selected row, taking each out of its count; returns
    // them with their places, for putBack.
    ResultModel::Taken removeSelected();
    // Puts removed rows back where they were and selects them.
    void putBack(ResultModel::Taken taken);

    // Listed rows by verdict (code 0 and any other code).
    int successCount() const { return results->successCount(); }
    int failedCount() const { return results->failedCount(); }
    int notVerifiedCount() const { return results->notVerifiedCount(); }
    ResultModel* resultModel() const { return results; }
    // The selected rows' model indices, top to bottom as shown.
    std::vector<int> selectedRows() const;
    // Widens the columns the user has not resized to show the rows from
    // `firstRow` on (a sample of them) in full; the names up to a share of
    // the width. 0 fits them anew, as at the start (a reopened case).
    void fitColumns(int firstRow);

  signals:
    // Rows were listed or removed.
    void rowsChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ResultModel* results = nullptr;
    std::array<bool, ResultModel::kReasonColumn> userSized{};
    bool sizingColumns = false;
    std::vector<VerifyResult> pending;
    QTimer flushTimer;
    QElapsedTimer sinceFlush;  // since rows were last listed
};
