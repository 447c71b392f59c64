#include "ui/ResultModel.h"

#include <QCoreApplication>
#include <algorithm>

#include "ui/ResultText.h"

namespace {

// Marked for translation; translated when shown.
const char* const kHeaders[] = {
    QT_TRANSLATE_NOOP("ResultModel", "Name"), QT_TRANSLATE_NOOP("ResultModel", "Start Time"),
    QT_TRANSLATE_NOOP("ResultModel", "End Time"), QT_TRANSLATE_NOOP("ResultModel", "Serial Number"),
    QT_TRANSLATE_NOOP("ResultModel", "Result")};
constexpr int kColumns = 5;

QString cellText(const ResultModel::Row& row, int column) {
    const VerifyResult& result = row.result;
    switch (column) {
        case 0:
            return ResultModel::nameText(row);
        case 1:
            return textOf(result.startTime());
        case 2:
            return textOf(result.endTime());
        case 3:
            return textOf(result.serialNumber());
        default:
            return verdictWord(result.code());
    }
}

}  // namespace

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumns) {
        return {};
    }
    // The name and verdict are listed without the evidence; the tag's texts
    // and the tool tip load it, for the rows in view only.
    const bool needsEvidence = index.column() > 0 && index.column() < kResultColumn;
    const Row& item = row(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return cellText(needsEvidence ? loadedRow(index.row()) : item, index.column());
        case Qt::ToolTipRole:
            return toolTip(loadedRow(index.row()));
        case Qt::TextAlignmentRole:
            return index.column() == 0 ? QVariant()
                                       : QVariant(int(Qt::AlignHCenter | Qt::AlignVCenter));
        case CodeRole:
            return item.result.code();
        default:
            return {};
    }
}

const ResultModel::Row& ResultModel::loadedRow(int index) const {
    Row& item = rows.at(static_cast<size_t>(index));
    item.result = withEvidence(item.result);
    return item;
}

VerifyResult ResultModel::withEvidence(const VerifyResult& result) const {
    if (result.storedVerification == 0 || !evidenceLoader) {
        return result;
    }
    VerifyResult loaded = result;
    loaded.evidence = evidenceLoader(result.storedVerification);
    loaded.storedVerification = 0;
    loaded.picturesFromFile = loaded.code() > 0;
    return loaded;
}

void ResultModel::clear() {
    beginResetModel();
    rows.clear();
    rounds.clear();
    successes = 0;
    endResetModel();
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QCoreApplication::translate("ResultModel", kHeaders[section]);
    }
    return {};
}

QString ResultModel::nameText(const Row& row) {
    const QString name = textUpToZero(row.result.fileName);
    if (row.round < 2) {
        return name;
    }
    return name +
           QCoreApplication::translate("NResultTree", " (verified again, #%1)").arg(row.round);
}

QString ResultModel::toolTip(const Row& row) {
    QString tip = describeResult(row.result);
    if (!row.result.path.isEmpty()) {
        tip += QLatin1Char('\n') + shownText(row.result.path);
    }
    const QString when = verifiedAtText(row.result);
    if (!when.isEmpty()) {
        tip += QLatin1Char('\n') +
               QCoreApplication::translate("NResultTree", "Verified at %1").arg(when);
    }
    if (row.round > 1) {
        tip += QLatin1Char('\n') +
               QCoreApplication::translate("NResultTree",
                                           "This path was verified %1 times in this window.")
                   .arg(row.round);
    }
    return tip;
}

void ResultModel::append(const std::vector<VerifyResult>& results) {
    if (results.empty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(results.size()) - 1);
    rows.reserve(rows.size() + results.size());
    rounds.reserve(static_cast<int>(rows.size() + results.size()));
    for (const VerifyResult& result : results) {
        Row item{result, 1};
        if (!result.path.isEmpty()) {
            item.round = ++rounds[result.path];
        }
        successes += result.code() == 0 ? 1 : 0;
        rows.push_back(std::move(item));
    }
    endInsertRows();
    if (sortColumn >= 0) {
        sort(sortColumn, sortOrder);
    }
}

void ResultModel::removeRowList(std::vector<int> list) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    // From the end, so the indices still to go stay valid; neighbours go
    // together in one removal.
    for (auto it = list.rbegin(); it != list.rend();) {
        const int last = *it;
        int first = last;
        for (++it; it != list.rend() && *it == first - 1; ++it) {
            first = *it;
        }
        if (first < 0 || last >= rowCount()) {
            continue;
        }
        beginRemoveRows(QModelIndex(), first, last);
        const auto begin = rows.begin() + first;
        const auto end = rows.begin() + last + 1;
        successes -= static_cast<int>(
            std::count_if(begin, end, [](const Row& r) { return r.result.code() == 0; }));
        rows.erase(begin, end);
        endRemoveRows();
    }
}

void ResultModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumns) {
        return;
    }
    sortColumn = column;
    sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    // Sort row numbers, then move the rows, so persistent indices (the
    // selection, the current row) follow their rows.
    std::vector<int> byKey(rows.size());
    for (size_t i = 0; i < byKey.size(); ++i) {
        byKey[i] = static_cast<int>(i);
    }
    std::vector<QString> keys(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        // Sorting a reopened case by a tag's text reads every evidence once,
        // without keeping it.
        const bool needsEvidence = column > 0 && column < kResultColumn;
        keys[i] = cellText(needsEvidence ? Row{withEvidence(rows[i].result), rows[i].round} : rows[i],
                           column);
    }
    std::stable_sort(byKey.begin(), byKey.end(), [&](int a, int b) {
        const int c = QString::compare(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    std::vector<int> newPlace(rows.size());
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (size_t i = 0; i < byKey.size(); ++i) {
        newPlace[static_cast<size_t>(byKey[i])] = static_cast<int>(i);
        sorted.push_back(std::move(rows[static_cast<size_t>(byKey[i])]));
    }
    rows = std::move(sorted);
    QModelIndexList after;
    for (const QModelIndex& index : before) {
        after << this->index(newPlace[static_cast<size_t>(index.row())], index.column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
