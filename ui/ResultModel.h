#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <functional>
#include <memory>
#include <vector>

#include "verification/VerifyResult.h"

// The rows of the result list: one verified file each, kept in a plain
// vector so appending a batch costs the batch, whatever is already listed.
class ResultModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    static constexpr int kResultColumn = 4;
    // The row's result code, for the verdict cell's painter.
    static constexpr int CodeRole = Qt::UserRole + 1;

    struct Row {
        VerifyResult result;
        // 1 for a path's first verification in this window, 2 for the next...
        int round = 1;
    };

    explicit ResultModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    // Appends the results as rows in one insertion, sorted in when the list
    // is sorted.
    void append(const std::vector<VerifyResult>& results);
    // Removes the given rows (any order, duplicates ignored).
    void removeRowList(std::vector<int> rows);

    const Row& row(int index) const { return rows.at(static_cast<size_t>(index)); }
    // The row with its whole evidence: a reopened case's row loads it now.
    const Row& loadedRow(int index) const;
    // Where a reopened case's rows load their evidence from.
    using EvidenceLoader = std::function<std::shared_ptr<const RecordingEvidence>(int64_t)>;
    void setEvidenceLoader(EvidenceLoader loader) { evidenceLoader = std::move(loader); }
    // Removes every row, as when another case is opened.
    void clear();
    int successCount() const { return successes; }
    int failedCount() const { return static_cast<int>(rows.size()) - successes; }

    // The texts a cell shows.
    static QString nameText(const Row& row);
    // Why the file passed or failed, where it lives and when it was checked.
    static QString toolTip(const Row& row);

  private:
    VerifyResult withEvidence(const VerifyResult& result) const;

    // Mutable only to fill in evidence loaded on demand, which the view
    // cannot tell from evidence that was there all along.
    mutable std::vector<Row> rows;
    EvidenceLoader evidenceLoader;
    QHash<QString, int> rounds;  // verifications so far per path
    int successes = 0;
    int sortColumn = -1;  // -1: in the order the results arrived
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
};
