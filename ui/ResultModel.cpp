#include "ui/ResultModel.h"

#include <QCoreApplication>
#include <algorithm>
#include <iterator>

#include "report/ShortReason.h"
#include "report/Wording.h"
#include "ui/ResultText.h"

namespace {

// Marked for translation; translated when shown.
const char* const kHeaders[] = {
    QT_TRANSLATE_NOOP("ResultModel", "Name"),     QT_TRANSLATE_NOOP("ResultModel", "Start Time"),
    QT_TRANSLATE_NOOP("ResultModel", "End Time"), QT_TRANSLATE_NOOP("ResultModel", "Serial Number"),
    QT_TRANSLATE_NOOP("ResultModel", "Result"),   QT_TRANSLATE_NOOP("ResultModel", "Reason")};
constexpr int kColumns = 6;

// The tag's texts are proven only by a success; a failed row shows what
// the file states, marked as the reports mark it.
QString tagCell(const VerifyResult& result, const QByteArray& verified,
                std::string (*stated)(const RecordingEvidence&)) {
    if (result.code() == VerdictCode::Success) {
        return textOf(verified);
    }
    const QString text = result.evidence != nullptr ? textOf(stated(*result.evidence)) : QString();
    return text.isEmpty() ? text
                          : text + QLatin1Char(' ') +
                                QCoreApplication::translate("ResultModel", "(not verified)");
}

// A verified row stands above a row a cancelled run left unverified, and a
// later verification above an earlier one.
int rankOf(const ResultModel::Row& row) {
    return row.result.code() == VerdictCode::NotVerified ? 0 : row.round;
}

QString cellText(const ResultModel::Row& row, int column) {
    const VerifyResult& result = row.result;
    switch (column) {
        case 0:
            return ResultModel::nameText(row);
        case 1:
            return tagCell(result, result.startTime(), statedStart);
        case 2:
            return tagCell(result, result.endTime(), statedEnd);
        case 3:
            return tagCell(result, result.serialNumber(), statedSerial);
        case ResultModel::kResultColumn:
            return verdictWord(result.code());
        default:
            return result.evidence == nullptr ? QString()
                                              : textOf(shortReason(*result.evidence));
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
    const Row& item = row(index.row());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            if (index.column() == 0) {
                return nameText(item, isHistory(item));
            }
            return cellText(needsEvidence(index.column()) ? loadedRow(index.row()) : item,
                            index.column());
        case Qt::ToolTipRole: {
            const QString tip = toolTip(loadedRow(index.row()));
            if (!isHistory(item)) {
                return tip;
            }
            return QCoreApplication::translate("NResultTree",
                                               "Not counted: the row of this path's latest "
                                               "verification (#%1) decides its standing.")
                       .arg(deciders.value(item.result.path).round) +
                   QLatin1Char('\n') + tip;
        }
        case Qt::TextAlignmentRole:
            return index.column() == 0 || index.column() == kReasonColumn
                       ? QVariant()
                       : QVariant(int(Qt::AlignHCenter | Qt::AlignVCenter));
        case CodeRole:
            return verdictNumber(item.result.code());
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
    return withStoredEvidence(result, evidenceLoader(result.storedVerification));
}

void ResultModel::clear() {
    beginResetModel();
    rows.clear();
    rounds.clear();
    recount();
    endResetModel();
}

bool ResultModel::isHistory(const Row& item) const {
    if (item.result.path.isEmpty()) {
        return false;
    }
    const auto found = deciders.constFind(item.result.path);
    return found != deciders.constEnd() && found->serial != item.serial;
}

bool ResultModel::count(const Row& item) {
    const VerdictCode code = item.result.code();
    const auto add = [this](VerdictCode decided, int sign) {
        successes += decided == VerdictCode::Success ? sign : 0;
        unverified += decided == VerdictCode::NotVerified ? sign : 0;
    };
    if (item.result.path.isEmpty()) {
        ++counted;
        add(code, 1);
        return false;
    }
    const Decider candidate{rankOf(item), item.serial, code, item.round};
    const auto found = deciders.find(item.result.path);
    if (found == deciders.end()) {
        deciders.insert(item.result.path, candidate);
        ++counted;
        add(code, 1);
        return false;
    }
    if (std::make_pair(candidate.rank, candidate.serial) <
        std::make_pair(found->rank, found->serial)) {
        return true;  // this row is history from the start
    }
    add(found->code, -1);
    add(code, 1);
    *found = candidate;
    return true;
}

void ResultModel::recount() {
    deciders.clear();
    counted = 0;
    successes = 0;
    unverified = 0;
    for (const Row& item : rows) {
        count(item);
    }
    if (!rows.empty()) {
        emit dataChanged(index(0, 0),
                         index(rowCount() - 1, 0));  // rows that became history, or not
    }
}

QString ResultModel::measuredText(int row, int column) const {
    return sortKeyOf(rows.at(static_cast<size_t>(row)), column);
}

QString ResultModel::sortKeyOf(const Row& item, int column) const {
    // Sorting a reopened case by a column from the evidence reads each
    // evidence once, without keeping it.
    if (needsEvidence(column) && item.result.storedVerification != 0) {
        return cellText(Row{withEvidence(item.result), item.round, item.serial, QString()}, column);
    }
    return cellText(item, column);
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

QString ResultModel::nameText(const Row& row, bool history) {
    QString name = textUpToZero(row.result.fileName);
    if (row.round > 1) {
        name += QCoreApplication::translate("NResultTree", " (verified again, #%1)").arg(row.round);
    }
    if (history) {
        name += QCoreApplication::translate("NResultTree", " (history, not counted)");
    }
    return name;
}

QString ResultModel::toolTip(const Row& row) {
    // A failure leads with where in the recording it lies, then what was seen.
    QString tip;
    const QString when = firstFailureText(row.result);
    if (row.result.code() != VerdictCode::Success && !when.isEmpty()) {
        tip += QCoreApplication::translate("NResultTree", "First failure at %1").arg(when) +
               QLatin1Char('\n');
    }
    if (row.result.code() != VerdictCode::Success) {
        tip += verdictWord(row.result.code()) + QStringLiteral(" — ") + reasonWord(row.result) +
               QLatin1Char('\n');
    }
    tip += describeResult(row.result);
    if (!row.result.path.isEmpty()) {
        tip += QLatin1Char('\n') + shownText(row.result.path);
    }
    const QString checked = verifiedAtText(row.result);
    if (!checked.isEmpty()) {
        tip += QLatin1Char('\n') +
               QCoreApplication::translate("NResultTree", "Verified at %1").arg(checked);
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
    // Grown by half at least: a flood comes in many batches, and an exact
    // reserve would move every row and rehash every path for each of them.
    const size_t needed = rows.size() + results.size();
    if (needed > rows.capacity()) {
        rows.reserve(std::max(needed, rows.capacity() + rows.capacity() / 2));
    }
    // int in Qt 5, qsizetype in Qt 6.
    using Capacity = decltype(rounds.capacity());
    if (static_cast<Capacity>(needed) > rounds.capacity()) {
        rounds.reserve(static_cast<Capacity>(needed + needed / 2));
    }
    bool historyMade = false;
    for (const VerifyResult& result : results) {
        Row item{result, 1, ++serials, QString()};
        // A file left unverified was not verified: it starts no round.
        if (!result.path.isEmpty() && result.code() != VerdictCode::NotVerified) {
            item.round = ++rounds[result.path];
        }
        historyMade = count(item) || historyMade;
        rows.push_back(std::move(item));
    }
    endInsertRows();
    if (historyMade && first > 0) {
        // Rows listed before that are history now show it.
        emit dataChanged(index(0, 0), index(first - 1, 0));
    }
    if (sortColumn >= 0) {
        mergeSorted(first);
    }
}

void ResultModel::removeRowList(std::vector<int> list) {
    takeRows(std::move(list));
}

ResultModel::Taken ResultModel::takeRows(std::vector<int> list) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    list.erase(std::remove_if(list.begin(), list.end(),
                              [this](int row) { return row < 0 || row >= rowCount(); }),
               list.end());
    Taken taken;
    taken.reserve(list.size());
    for (const int row : list) {
        taken.emplace_back(row, rows[static_cast<size_t>(row)]);
    }
    // From the end, so the indices still to go stay valid; neighbours go
    // together in one removal.
    for (auto it = list.rbegin(); it != list.rend();) {
        const int last = *it;
        int first = last;
        for (++it; it != list.rend() && *it == first - 1; ++it) {
            first = *it;
        }
        beginRemoveRows(QModelIndex(), first, last);
        rows.erase(rows.begin() + first, rows.begin() + last + 1);
        endRemoveRows();
    }
    // A path's earlier row may decide again.
    if (!taken.empty()) {
        recount();
    }
    return taken;
}

std::vector<int> ResultModel::putBack(Taken taken) {
    std::vector<int> places;
    // Top to bottom, each into the place it had once those above it are
    // back; neighbours go back together in one insertion.
    for (size_t first = 0; first < taken.size();) {
        size_t end = first + 1;
        while (end < taken.size() && taken[end].first == taken[end - 1].first + 1) {
            ++end;
        }
        const int at = std::clamp(taken[first].first, 0, rowCount());
        const int count = static_cast<int>(end - first);
        beginInsertRows(QModelIndex(), at, at + count - 1);
        std::vector<Row> block;
        block.reserve(end - first);
        for (size_t i = first; i < end; ++i) {
            block.push_back(std::move(taken[i].second));
            places.push_back(at + static_cast<int>(i - first));
        }
        rows.insert(rows.begin() + at, std::make_move_iterator(block.begin()),
                    std::make_move_iterator(block.end()));
        endInsertRows();
        first = end;
    }
    if (!places.empty()) {
        recount();
    }
    if (sortColumn >= 0 && !places.empty()) {
        // Sorting moves them; persistent indices tell where to.
        QList<QPersistentModelIndex> kept;
        for (const int at : places) {
            kept << QPersistentModelIndex(index(at, 0));
        }
        sort(sortColumn, sortOrder);
        places.clear();
        for (const QPersistentModelIndex& at : kept) {
            places.push_back(at.row());
        }
        std::sort(places.begin(), places.end());
    }
    return places;
}

std::vector<int> ResultModel::notVerifiedRows() const {
    std::vector<int> list;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].result.code() == VerdictCode::NotVerified) {
            list.push_back(static_cast<int>(i));
        }
    }
    return list;
}

void ResultModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumns) {
        return;
    }
    sortColumn = column;
    sortOrder = order;
    fillSortKeys(0);
    std::vector<int> byKey(rows.size());
    for (size_t i = 0; i < byKey.size(); ++i) {
        byKey[i] = static_cast<int>(i);
    }
    std::stable_sort(byKey.begin(), byKey.end(), sortedBefore());
    reorder(byKey);
}

void ResultModel::mergeSorted(int first) {
    // The rows before `first` are in order already: sort the new ones and
    // merge them in, so a long run into a sorted list costs each batch its
    // own size and one pass, not a sort of everything listed.
    fillSortKeys(static_cast<size_t>(first));
    std::vector<int> byKey(rows.size());
    for (size_t i = 0; i < byKey.size(); ++i) {
        byKey[i] = static_cast<int>(i);
    }
    const auto middle = byKey.begin() + first;
    std::stable_sort(middle, byKey.end(), sortedBefore());
    std::inplace_merge(byKey.begin(), middle, byKey.end(), sortedBefore());
    reorder(byKey);
}

void ResultModel::fillSortKeys(size_t first) {
    std::vector<size_t> stored;
    std::vector<int64_t> verifications;
    for (size_t i = first; i < rows.size(); ++i) {
        Row& item = rows[i];
        if (batchLoader && needsEvidence(sortColumn) && item.result.storedVerification != 0) {
            stored.push_back(i);
            verifications.push_back(item.result.storedVerification);
        } else {
            item.sortKey = sortKeyOf(item, sortColumn);
        }
    }
    if (verifications.empty()) {
        return;
    }
    batchLoader(verifications, [&](size_t k, std::shared_ptr<const RecordingEvidence> evidence) {
        Row& item = rows[stored[k]];
        item.sortKey = cellText(Row{withStoredEvidence(item.result, std::move(evidence)),
                                    item.round, item.serial, QString()},
                                sortColumn);
    });
}

std::function<bool(int, int)> ResultModel::sortedBefore() const {
    return [this](int a, int b) {
        const int c = QString::compare(rows[static_cast<size_t>(a)].sortKey,
                                       rows[static_cast<size_t>(b)].sortKey);
        return sortOrder == Qt::AscendingOrder ? c < 0 : c > 0;
    };
}

void ResultModel::reorder(const std::vector<int>& byKey) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Move the rows by their new order, so persistent indices (the
    // selection, the current row) follow their rows.
    const QModelIndexList before = persistentIndexList();
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

#include "moc_ResultModel.cpp"
