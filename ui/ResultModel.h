#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <functional>
#include <utility>
#include <memory>
#include <vector>

#include "verification/VerifyResult.h"

// The rows of the result list: one verified file each, kept in a plain
// vector so appending a batch costs the batch, whatever is already listed.
class ResultModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    static constexpr int kResultColumn = 4;
    // Why a row failed, in a few words; empty for a success.
    static constexpr int kReasonColumn = 5;
    // The row's result code, for the verdict cell's painter.
    static constexpr int CodeRole = Qt::UserRole + 1;

    struct Row {
        VerifyResult result;
        // 1 for a path's first verification in this window, 2 for the next...
        int round = 1;
        // Its place in the order rows were listed, which a removal and its
        // undoing keep: of two rows of a path alike, the later one decides.
        quint64 serial = 0;
        // Its text in the column the list is sorted by.
        QString sortKey;
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
    // Rows taken out with the place each had, top to bottom.
    using Taken = std::vector<std::pair<int, Row>>;
    // As removeRowList, handing the rows back so they can be put back.
    Taken takeRows(std::vector<int> rows);
    // Puts taken rows back in their places (re-sorted if the list is
    // sorted); rows listed since then move down to make room. Returns
    // the rows' indices as they now stand.
    std::vector<int> putBack(Taken taken);

    const Row& row(int index) const { return rows.at(static_cast<size_t>(index)); }
    // A header was clicked: rows stand in that column's order.
    bool isSorted() const { return sortColumn >= 0; }
    // The text a cell shows, for measuring: a reopened row's evidence is
    // read for it but not kept, so the row still loads when shown.
    QString measuredText(int row, int column) const;
    // The row with its whole evidence: a reopened case's row loads it now.
    const Row& loadedRow(int index) const;
    // Where a reopened case's rows load their evidence from.
    using EvidenceLoader = std::function<std::shared_ptr<const RecordingEvidence>(int64_t)>;
    void setEvidenceLoader(EvidenceLoader loader) { evidenceLoader = std::move(loader); }
    // The same for many rows at once, each handed back with its index in
    // the list of verifications given: sorting a large reopened case.
    using EvidenceVisit = std::function<void(size_t, std::shared_ptr<const RecordingEvidence>)>;
    using EvidenceBatchLoader =
        std::function<void(const std::vector<int64_t>&, const EvidenceVisit&)>;
    void setEvidenceBatchLoader(EvidenceBatchLoader loader) { batchLoader = std::move(loader); }
    // Removes every row, as when another case is opened.
    void clear();
    // The counts go by each recording once: by the row of its latest
    // verification, or its latest row when none is verified. The other rows
    // of its path are history (isHistory).
    int successCount() const { return successes; }
    int failedCount() const { return counted - successes - unverified; }
    // Recordings a cancelled run left unverified (code -1).
    int notVerifiedCount() const { return unverified; }
    // Whether another row of the row's path decides its standing.
    bool isHistory(const Row& item) const;
    // Those rows' model indices, in list order.
    std::vector<int> notVerifiedRows() const;

    // The texts a cell shows; a row of history is marked so.
    static QString nameText(const Row& row, bool history = false);
    // Why the file passed or failed, where it lives and when it was checked.
    static QString toolTip(const Row& row);

  private:
    // Sorts the rows from `first` on and merges them into those before.
    void mergeSorted(int first);
    // Whether row a stands before row b by their sort keys and the order.
    std::function<bool(int, int)> sortedBefore() const;
    // Puts the rows in this order of their present indices.
    void reorder(const std::vector<int>& byKey);
    VerifyResult withEvidence(const VerifyResult& result) const;
    // The tag's texts and the reason come from the evidence; the name and
    // the verdict do not.
    static bool needsEvidence(int column) { return column > 0 && column != kResultColumn; }
    QString sortKeyOf(const Row& item, int column) const;
    // The sort keys of the rows from `first` on; a reopened row's evidence
    // is read for it, in one pass for all of them, and not kept.
    void fillSortKeys(size_t first);

    // Mutable only to fill in evidence loaded on demand, which the view
    // cannot tell from evidence that was there all along.
    mutable std::vector<Row> rows;
    EvidenceLoader evidenceLoader;
    EvidenceBatchLoader batchLoader;
    // The row that decides a path's standing, by (rank, serial).
    struct Decider {
        int rank = 0;
        quint64 serial = 0;
        VerdictCode code = VerdictCode::NotVerified;
        int round = 1;
    };
    // Takes the row into the counts, in place of its path's decider if it
    // stands above it. Returns whether a listed row became history.
    bool count(const Row& item);
    void recount();

    QHash<QString, int> rounds;  // verifications so far per path
    QHash<QString, Decider> deciders;
    quint64 serials = 0;
    int counted = 0;  // recordings: rows that decide their path's standing
    int successes = 0;
    int unverified = 0;
    int sortColumn = -1;  // -1: in the order the results arrived
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
};
