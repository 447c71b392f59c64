#include "ui/CustodyLogModel.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include "casefile/Fixity.h"
#include "ui/ResultText.h"

namespace {

constexpr int kColumns = 7;
constexpr int kEventColumn = 3;

QString trCustody(const char* text) {
    return QCoreApplication::translate("CustodyLogModel", text);
}

QString fixityWords(Fixity fixity) {
    switch (fixity) {
        case Fixity::Intake:
            return trCustody("hash taken as it was added to the case");
        case Fixity::Unchanged:
            return trCustody("bytes unchanged since added to the case");
        case Fixity::Changed:
            return trCustody("bytes changed since added to the case");
        case Fixity::Missing:
            return trCustody("missing since added to the case");
        case Fixity::Unreadable:
            return trCustody("unreadable since added to the case");
        case Fixity::NoIntake:
            return trCustody("no hash was taken when it was added");
    }
    return {};
}

// A verification's detail as the log stores it ("code 1; fixity changed"),
// in the words the rest of the window uses; any other detail as it is.
QString detailText(EventKind kind, const std::string& detail) {
    const QString stored = textOf(detail);
    if (kind != EventKind::Verified && kind != EventKind::VerifiedAgain) {
        return stored;
    }
    static const QRegularExpression pattern(QStringLiteral("^code (-?[0-9]+); fixity ([a-z-]+)(?:; verified .*)?$"));
    const QRegularExpressionMatch match = pattern.match(stored);
    const std::optional<VerdictCode> code =
        match.hasMatch() ? verdictFromNumber(match.captured(1).toInt()) : std::nullopt;
    const std::optional<Fixity> fixity =
        match.hasMatch() ? fixityFromCode(match.captured(2).toStdString()) : std::nullopt;
    if (!code || !fixity) {
        return stored;
    }
    return verdictWord(*code) + QStringLiteral("; ") + fixityWords(*fixity);
}

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
    const Line& line = lines[static_cast<size_t>(index.row())];
    if (index.column() == kEventColumn && role == Qt::ToolTipRole) {
        // The code as the log stores it, for whoever reads the case itself.
        return trCustody("%1 (stored as \"%2\")")
            .arg(QString::fromLatin1(eventKindWords(line.kind)),
                 QString::fromLatin1(eventKindCode(line.kind)));
    }
    return text(line, index.column());
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
        case kEventColumn:
            return QString::fromLatin1(eventKindWords(line.kind));
        case 4:
            return textOf(line.path);
        case 5:
            return detailText(line.kind, line.detail);
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
    return trCustody(kHeaders[section]);
}

#include "moc_CustodyLogModel.cpp"
