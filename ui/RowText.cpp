#include "ui/RowText.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include "report/Wording.h"
#include "signature/RecordingEvidence.h"
#include "ui/ResultText.h"

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("RowText", text);
}

// The tag's texts are proven only by a success; otherwise they are the
// file's own claim and say so.
QString tagText(const VerifyResult& result, const QByteArray& verified, const std::string& stated) {
    if (result.code == 0) {
        return textOf(verified);
    }
    if (stated.empty()) {
        return {};
    }
    return textOf(stated) + tr(" (stated, not verified)");
}

QString firstFailureText(const RecordingEvidence* evidence) {
    if (evidence == nullptr || !evidence->firstFailure) {
        return {};
    }
    const FirstFailure& failure = *evidence->firstFailure;
    if (!failure.wallClock.empty()) {
        return textOf(failure.wallClock);
    }
    if (failure.seconds) {
        return QString::number(*failure.seconds, 'f', 3) + QStringLiteral(" s");
    }
    return {};
}

// Whether a Success also proves which recorder made the file; empty for a failure.
QString originText(const RecordingEvidence* evidence) {
    if (evidence == nullptr || evidence->verdict.code != RECORDING_OK) {
        return {};
    }
    if (evidence->originProven) {
        return tr("proven: signed with the recorder's private key");
    }
    return textOf(originCaveat(*evidence));
}

QString csvCell(const QString& text) {
    static const QRegularExpression special(QStringLiteral("[\",\r\n]"));
    if (!text.contains(special)) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QString defused(const QString& cell) {
    static const QString risky = QStringLiteral("=+-@\t\r");
    if (!cell.isEmpty() && risky.contains(cell.front())) {
        return QLatin1Char('\'') + cell;
    }
    return cell;
}

QStringList rowFieldTitles() {
    return {tr("Name"),          tr("Path"),    tr("Verdict"),     tr("Reason"),
            tr("Serial Number"), tr("Start"),   tr("End"),         tr("First Failure"),
            tr("SHA-256"),       tr("Verified At"), tr("Origin")};
}

QStringList rowFields(const ResultModel::Row& row) {
    const VerifyResult& result = row.result;
    const RecordingEvidence* const evidence = result.evidence.get();
    static const TagStatement none;
    const TagStatement& tag = evidence != nullptr ? evidence->tag : none;
    const QString verdict = verdictWord(result.code) + QStringLiteral(" (") +
                            outcomeWord(result.code) + QLatin1Char(')');
    QString reason = reasonDetail(result);
    if (reason.isEmpty() && result.code != 0) {
        reason = describeResult(result);
    }
    const QString sha = evidence != nullptr ? textOf(evidence->identity.sha256) : QString();
    QStringList fields = {textUpToZero(result.fileName),
                          shownText(result.path),
                          verdict,
                          reason,
                          tagText(result, result.serialNumber, tag.serialNumber),
                          tagText(result, result.startTime, tag.startTime),
                          tagText(result, result.endTime, tag.endTime),
                          firstFailureText(evidence),
                          sha,
                          verifiedAtText(result),
                          originText(evidence)};
    for (QString& field : fields) {
        field = defused(field);
    }
    return fields;
}

QString rowsAsCsv(const ResultModel& model, const std::vector<int>& rows) {
    const auto line = [](const QStringList& fields) {
        QStringList cells;
        for (const QString& field : fields) {
            cells << csvCell(field);
        }
        return cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    QString csv = line(rowFieldTitles());
    for (const int row : rows) {
        csv += line(rowFields(model.row(row)));
    }
    return csv;
}

QString rowsAsTabText(const ResultModel& model, const std::vector<int>& rows) {
    static const QRegularExpression breaks(QStringLiteral("[\t\r\n]"));
    QStringList lines;
    for (const int row : rows) {
        QStringList fields = rowFields(model.row(row));
        for (QString& field : fields) {
            field.replace(breaks, QStringLiteral(" "));
        }
        lines << fields.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
