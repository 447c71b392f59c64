// The continuity part of the evidence pane: the selected recordings placed
// in time by the core's continuity, with the files' names.
#include <QCoreApplication>

#include "report/Continuity.h"
#include "report/Names.h"
#include "ui/EvidenceText.h"
#include "ui/ResultText.h"
#include "ui/RowEvidence.h"

namespace {

QString trContinuity(const char* text, int n = -1) {
    return QCoreApplication::translate("EvidencePane", text, nullptr, n);
}

QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

// Lines listed per part; a selection of thousands still lays out at once.
constexpr size_t kMaxLines = 200;

QString moreLine(size_t total) {
    return total > kMaxLines
               ? QStringLiteral("<br>") +
                     esc(trContinuity("… and %1 more").arg(static_cast<qulonglong>(total - kMaxLines)))
               : QString();
}

QString spanText(int64_t seconds) {
    return textOf(clockText(static_cast<double>(seconds < 0 ? -seconds : seconds)));
}

QString stepsHtml(const std::vector<ContinuityStep>& steps, const char* what,
                  const QStringList& names) {
    QString html;
    for (size_t i = 0; i < steps.size() && i < kMaxLines; ++i) {
        const ContinuityStep& step = steps[i];
        html += QStringLiteral("<br>") +
                esc(trContinuity(what).arg(spanText(step.seconds), names.value(static_cast<int>(step.from)),
                                 names.value(static_cast<int>(step.to))));
    }
    return html + moreLine(steps.size());
}

QString serialHtml(const SerialContinuity& serial, const QStringList& names) {
    // No translator is installed, so Qt's %n would say "1 recordings".
    const QString serialText = textOf(serial.serialNumber);
    const size_t count = serial.files.size();
    const QString heading =
        count == 1 ? trContinuity("Serial %1: 1 recording").arg(serialText)
                   : trContinuity("Serial %1: %2 recordings").arg(serialText, QString::number(count));
    QString html = QStringLiteral("<p><b>%1</b>").arg(esc(heading));
    html += stepsHtml(serial.gaps, "gap of %1 between %2 and %3", names);
    html += stepsHtml(serial.overlaps, "overlap of %1 between %2 and %3", names);
    if (serial.gaps.empty() && serial.overlaps.empty()) {
        html += QStringLiteral("<br>") + esc(trContinuity("continuous, no gap and no overlap"));
    }
    return html + QStringLiteral("</p>");
}

QString verdictRow(const QString& name, const VerifyResult& result) {
    return QStringLiteral(
               "<tr><td>%1</td><td style=\"color:%2; padding-left:12px\">%3 (%4)</td></tr>")
        .arg(esc(name), verdictColour(result), esc(verdictWord(result.code())),
             esc(reasonWord(result)));
}

QString namesOf(const std::vector<size_t>& files, const QStringList& names) {
    QStringList listed;
    for (size_t i = 0; i < files.size() && i < kMaxLines; ++i) {
        listed << names.value(static_cast<int>(files[i]));
    }
    if (files.size() > kMaxLines) {
        listed << trContinuity("… and %1 more").arg(static_cast<qulonglong>(files.size() - kMaxLines));
    }
    return listed.join(QStringLiteral(", "));
}

}  // namespace

QString continuityHtml(const std::vector<const ResultModel::Row*>& rows) {
    std::vector<RecordingEvidence> evidences;
    QStringList names;
    QString html = QStringLiteral("<h3>%1</h3><table>")
                       .arg(esc(trContinuity("%1 recordings selected").arg(rows.size())));  // never fewer than two
    for (const ResultModel::Row* row : rows) {
        const VerifyResult& result = row->result;
        names << textUpToZero(result.fileName);
        evidences.push_back(evidenceOfRow(result));
        if (names.size() <= static_cast<int>(kMaxLines)) {
            html += verdictRow(names.back(), result);
        }
    }
    const Continuity continuity = continuityOf(evidences);
    html += QStringLiteral("</table>") + moreLine(rows.size());
    html += QStringLiteral("<h4>%1</h4>")
                .arg(esc(trContinuity(
                    "Continuity of the recordings with a Success, by their tags' stated times")));
    for (const SerialContinuity& serial : continuity.serials) {
        html += serialHtml(serial, names);
    }
    for (const DuplicateFiles& duplicate : continuity.duplicates) {
        html += QStringLiteral("<p>%1</p>")
                    .arg(esc(trContinuity("Same bytes (SHA-256 %1): %2")
                                 .arg(textOf(duplicate.sha256), namesOf(duplicate.files, names))));
    }
    if (!continuity.unplaced.empty()) {
        html += QStringLiteral("<p>%1</p>")
                    .arg(esc(trContinuity("Success, but their times do not read: %1")
                                 .arg(namesOf(continuity.unplaced, names))));
    }
    if (continuity.serials.empty() && continuity.duplicates.empty()) {
        html += QStringLiteral("<p>%1</p>")
                    .arg(esc(trContinuity("No recording with a Success to place in time.")));
    }
    return html;
}
