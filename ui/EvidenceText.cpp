#include "ui/EvidenceText.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMap>
#include <algorithm>
#include <optional>

#include "report/EvidenceContent.h"
#include "report/Wording.h"
#include "signature/RecordingEvidence.h"
#include "ui/ResultText.h"

namespace {

QString trEvidence(const char* text) {
    return QCoreApplication::translate("EvidencePane", text);
}

QString evidenceEsc(const QString& text) {
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return html;
}

QString evidenceEsc(const std::string& text) {
    return evidenceEsc(textOf(text));
}

QString heading(const QString& text) {
    return QStringLiteral("<h4 style=\"color:#333333; margin-bottom:2px\">%1</h4>").arg(evidenceEsc(text));
}

QString item(const QString& label, const QString& valueHtml) {
    return QStringLiteral(
               "<tr><td style=\"color:#595959; padding-right:12px\">%1</td><td>%2</td></tr>")
        .arg(evidenceEsc(label), valueHtml);
}

QString verdictLine(const VerifyResult& result) {
    QString html = QStringLiteral("<p><b style=\"color:%1\">%2 — %3</b><br>%4")
                       .arg(verdictColour(result), evidenceEsc(verdictWord(result.code())),
                            evidenceEsc(reasonWord(result)), evidenceEsc(describeResult(result)));
    // A Success that proves no origin says so beside the verdict.
    const QString caveat = trEvidence(wordingOf(result).caveat);
    if (!caveat.isEmpty()) {
        html += QStringLiteral("<br><span style=\"color:#6d4c00\">%1</span>").arg(evidenceEsc(caveat));
    }
    // The trusted key the recording holds under, beside its verdict.
    const std::string key =
        result.evidence != nullptr ? signingKeyText(*result.evidence) : std::string();
    if (!key.empty()) {
        html += QStringLiteral("<br>%1").arg(evidenceEsc(trEvidence("Signed with the %1").arg(shownText(QString::fromStdString(key)))));
    }
    return html + QStringLiteral("</p>");
}

QString identityHtml(const ResultModel::Row& row) {
    const VerifyResult& result = row.result;
    const RecordingEvidence* const evidence = result.evidence.get();
    QString html = heading(trEvidence("File")) + QStringLiteral("<table>");
    html += item(trEvidence("Path"), evidenceEsc(result.path.isEmpty() ? textUpToZero(result.fileName)
                                                       : shownText(result.path)));
    html += item(trEvidence("Verified at"), evidenceEsc(verifiedAtText(result)));
    if (row.round > 1) {
        html += item(
            trEvidence("Verified before"),
            evidenceEsc(trEvidence("yes: this is verification #%1 of this path in this window").arg(row.round)));
    }
    if (evidence != nullptr) {
        const FileIdentity& id = evidence->identity;
        if (id.size >= 0) {
            html += item(trEvidence("Size"), evidenceEsc(trEvidence("%1 bytes").arg(id.size)));
        }
        html += item(trEvidence("Modified"), evidenceEsc(id.modifiedUtc));
        html += item(trEvidence("SHA-256"), QStringLiteral("<tt>%1</tt>").arg(evidenceEsc(id.sha256)));
        if (!id.error.empty()) {
            html += item(trEvidence("Identity"), evidenceEsc(id.error));
        }
    }
    return html + QStringLiteral("</table>");
}

QString tagHtml(const RecordingEvidence& evidence) {
    const TagContent tag = tagContent(evidence);
    const QString title = heading(trEvidence(tagHeading(tag)));
    if (tag.status == TagContent::Status::Missing) {
        return title + QStringLiteral("<p>%1</p>").arg(evidenceEsc(trEvidence("none found")));
    }
    return title + QStringLiteral("<table>") + item(trEvidence("Serial number"), evidenceEsc(tag.serialNumber)) +
           item(trEvidence("Start"), evidenceEsc(tag.startTime)) + item(trEvidence("End"), evidenceEsc(tag.endTime)) +
           QStringLiteral("</table>");
}

QString failureHtml(const RecordingEvidence& evidence) {
    if (!evidence.firstFailure) {
        return {};
    }
    const FirstFailure& failure = *evidence.firstFailure;
    QString html = heading(trEvidence("First failure")) + QStringLiteral("<table>");
    html += item(trEvidence("Where"), evidenceEsc(failure.cluster > 0 ? trEvidence("cluster %1").arg(failure.cluster)
                                                      : trEvidence("the recorder tag or the chain's end")));
    if (failure.offset >= 0) {
        html += item(trEvidence("Byte offset"), evidenceEsc(QString::number(failure.offset)));
    }
    if (failure.seconds) {
        html +=
            item(trEvidence("Time"), evidenceEsc(trEvidence("%1 s into the recording").arg(*failure.seconds, 0, 'f', 3)));
    }
    if (!failure.wallClock.empty()) {
        html += item(trEvidence("Wall clock (stated)"), evidenceEsc(failure.wallClock));
    }
    return html + QStringLiteral("</table>");
}

QString listHtml(const QString& title, const std::vector<QString>& lines) {
    if (lines.empty()) {
        return {};
    }
    QString html = heading(title) + QStringLiteral("<ul style=\"margin-top:0\">");
    for (const QString& line : lines) {
        html += QStringLiteral("<li>%1</li>").arg(evidenceEsc(line));
    }
    return html + QStringLiteral("</ul>");
}

// The parts every view lists (report/EvidenceContent), as the pane shows them.
QString detailsHtml(const RecordingEvidence& evidence) {
    QString html = failureHtml(evidence);
    for (const ContentPart part : kContentParts) {
        std::vector<QString> lines;
        for (const ContentItem& content : contentOf(evidence, part)) {
            lines.push_back(textOf(content.text));
        }
        QString title = trEvidence(contentTitle(part));
        if (part == ContentPart::Warnings) {
            title += trEvidence(" (times are stated by the file, not signed)");
        }
        html += listHtml(title, lines);
    }
    return html;
}

}  // namespace

QString evidenceHtml(const ResultModel::Row& row) {
    const VerifyResult& result = row.result;
    const RecordingEvidence* const evidence = result.evidence.get();
    QString html = QStringLiteral("<h3>%1</h3>").arg(evidenceEsc(textUpToZero(result.fileName)));
    html += verdictLine(result);
    if (evidence != nullptr) {
        html += detailsHtml(*evidence);
    }
    static const RecordingEvidence none;
    if (result.code() == VerdictCode::NotVerified) {
        // Never read, so not "none found".
        html += heading(trEvidence("Recorder tag")) +
                QStringLiteral("<p>%1</p>").arg(evidenceEsc(trEvidence("not read: the file was not verified")));
    } else {
        html += tagHtml(evidence != nullptr ? *evidence : none);
    }
    return html + identityHtml(row);
}
