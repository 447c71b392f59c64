#include "ui/RowText.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include "report/CsvReport.h"
#include "signature/RecordingEvidence.h"
#include "ui/ResultText.h"
#include "ui/RowEvidence.h"

namespace {

QString fromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The report's fields of a row; `made` holds the evidence of a row that
// carries none.
std::vector<std::string> fieldsOf(const ResultModel::Row& row) {
    const VerifyResult& result = row.result;
    RecordingEvidence made;
    CsvRow line = csvRowOf(result);
    if (result.evidence != nullptr) {
        line.evidence = result.evidence.get();
    } else {
        made = evidenceOfRow(result);
        line.evidence = &made;
    }
    return csvFields(line);
}

}  // namespace

// The copied rows describe files; the run's examiner and case belong to an export.
QStringList rowFieldTitles() {
    QStringList titles;
    const std::vector<std::string> all = csvTitles();
    for (size_t i = 0; i < kCsvFileColumns; ++i) {
        titles << QCoreApplication::translate("RowText", all[i].c_str());
    }
    return titles;
}

QStringList rowFields(const ResultModel::Row& row) {
    QStringList fields;
    const std::vector<std::string> all = fieldsOf(row);
    for (size_t i = 0; i < kCsvFileColumns; ++i) {
        fields << fromStd(all[i]);
    }
    return fields;
}

CsvRow csvRowOf(const VerifyResult& result) {
    CsvRow line;
    line.name = result.fileName.toStdString();
    line.path = result.path.toStdString();
    line.verifiedAt = verifiedAtText(result).toStdString();
    return line;
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
