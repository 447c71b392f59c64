// The continuity part of the evidence pane: several recordings compared by
// their tags' stated serial numbers and times.
#include <QCoreApplication>
#include <QDateTime>
#include <QMap>
#include <algorithm>

#include "signature/RecordingEvidence.h"
#include "ui/EvidenceText.h"
#include "ui/ResultText.h"

namespace {

QString tr(const char* text, int n = -1) {
    return QCoreApplication::translate("EvidencePane", text, nullptr, n);
}

QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

QString fromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

struct Span {
    QString name;
    QString sha;
    QDateTime start;
    QDateTime end;
};

QDateTime stated(const std::string& text) {
    QDateTime time = QDateTime::fromString(fromStd(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    time.setTimeSpec(Qt::UTC);  // compared with each other only
    return time;
}

QString gapText(qint64 seconds) {
    return seconds >= 3600 ? tr("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60)
                           : tr("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

// One line per neighbouring pair of a serial's recordings in time order.
QStringList compare(std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    QStringList lines;
    for (size_t i = 1; i < spans.size(); ++i) {
        const Span& a = spans[i - 1];
        const Span& b = spans[i];
        const QString pair = QStringLiteral("%1 → %2").arg(a.name, b.name);
        if (!a.sha.isEmpty() && a.sha == b.sha) {
            lines << tr("duplicate: %1 are the same file").arg(pair);
        } else if (a.start == b.start && a.end == b.end) {
            lines << tr("duplicate: %1 state the same times").arg(pair);
        } else if (b.start > a.end) {
            lines << tr("gap of %1: %2").arg(gapText(a.end.secsTo(b.start)), pair);
        } else if (b.start < a.end) {
            lines << tr("overlap of %1: %2").arg(gapText(b.start.secsTo(a.end)), pair);
        } else {
            lines << tr("continuous: %1").arg(pair);
        }
    }
    return lines;
}

}  // namespace

QString continuityHtml(const std::vector<const ResultModel::Row*>& rows) {
    QString html = QStringLiteral("<h3>%1</h3><table>")
                       .arg(esc(tr("%n recordings selected", static_cast<int>(rows.size()))));
    QMap<QString, std::vector<Span>> bySerial;
    QStringList undated;
    for (const ResultModel::Row* row : rows) {
        const VerifyResult& result = row->result;
        const QString name = textUpToZero(result.fileName);
        const QString colour =
            result.code == 0 ? QStringLiteral("#4a8a1c") : QStringLiteral("#ff4d4d");
        html += QStringLiteral(
                    "<tr><td>%1</td><td style=\"color:%2; padding-left:12px\">%3 (%4)</td></tr>")
                    .arg(esc(name), colour, esc(verdictWord(result.code)),
                         esc(outcomeWord(result.code)));
        const RecordingEvidence* const evidence = result.evidence.get();
        if (evidence == nullptr || !evidence->tag.present) {
            undated << name;
            continue;
        }
        Span span{name, fromStd(evidence->identity.sha256), stated(evidence->tag.startTime),
                  stated(evidence->tag.endTime)};
        if (!span.start.isValid() || !span.end.isValid()) {
            undated << name;
            continue;
        }
        bySerial[fromStd(evidence->tag.serialNumber)].push_back(span);
    }
    html += QStringLiteral("</table><h4>%1</h4>")
                .arg(esc(tr(
                    "Continuity by the tags' stated times (not signed unless the file verified)")));
    for (auto it = bySerial.cbegin(); it != bySerial.cend(); ++it) {
        html += QStringLiteral("<p><b>%1</b>").arg(esc(tr("Serial %1").arg(it.key())));
        const QStringList lines = compare(it.value());
        for (const QString& line : lines) {
            html += QStringLiteral("<br>") + esc(line);
        }
        if (lines.isEmpty()) {
            html += QStringLiteral("<br>") + esc(tr("one recording"));
        }
        html += QStringLiteral("</p>");
    }
    if (!undated.isEmpty()) {
        html +=
            QStringLiteral("<p>%1</p>")
                .arg(esc(tr("Without stated times: %1").arg(undated.join(QStringLiteral(", ")))));
    }
    return html;
}
