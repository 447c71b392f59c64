#include "ui/CustodyLogModel.h"

#include "ui/ResultText.h"

namespace {

constexpr int kColumns = 7;

}  // namespace

CustodyLogModel::CustodyLogModel(const std::vector<CustodyEvent>& events, QObject* parent)
    : QAbstractTableModel(parent) {
    lines.reserve(events.size());
    for (const CustodyEvent& event : events) {
        lines.push_back({event.seq, event.kind, event.at, event.actor.examiner, event.path,
                         event.detail, event.sha256.value_or(std::string())});
    }
}

int CustodyLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines.size());
}

int CustodyLogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CustodyLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumns ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole)) {
        return {};
    }
    return text(lines[static_cast<size_t>(index.row())], index.column());
}

QString CustodyLogModel::text(const Line& line, int column) const {
    // Text from the case is data: shown in its display form, never as markup.
    switch (column) {
        case 0:
            return QString::number(line.seq);
        case 1:
            return textOf(line.at);
        case 2:
            return textOf(line.examiner);
        case 3:
            return QString::fromLatin1(eventKindCode(line.kind));
        case 4:
            return textOf(line.path);
        case 5:
            return textOf(line.detail);
        default:
            return textOf(line.sha256);
    }
}

QVariant CustodyLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns) {
        return {};
    }
    static const char* const kHeaders[kColumns] = {"#",         "Time (UTC)", "Examiner", "Event",
                                                   "Recording", "Detail",     "SHA-256"};
    return tr(kHeaders[section]);
}
