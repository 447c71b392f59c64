#include <algorithm>

#include "report/Escape.h"
#include "report/EvidenceContent.h"
#include "report/HtmlParts.h"
#include "report/Names.h"
#include "report/Timeline.h"
#include "report/TimelineSvg.h"
#include "report/Wording.h"

namespace nvr::html {

std::string verdictMarkup(const RecordingEvidence& e) {
    switch (verdictWording(e).claim) {
        case Claim::Authentic:
            return "<span class=\"ok\">Success</span>";
        case Claim::Sealed:
        case Claim::NoOrigin:
            return "<span class=\"sealed\">Success</span>";
        case Claim::NotVerified:
            return "<span class=\"unverified\">Not verified</span>";
        case Claim::Failed:
            break;
    }
    return "<span class=\"failed\">Failed</span>";
}

namespace {

void identityTable(std::string& out, const FileIdentity& id) {
    out += "<h3>Identity</h3>";
    out += tableOpen();
    out += labelRow("Path", "<span class=\"mono\">" + htmlText(id.path) + "</span>");
    out += labelRow("Size", id.size >= 0 ? bytesText(id.size) : "unknown");
    out += labelRow("Modified (UTC, file system)",
                    id.modifiedUtc.empty() ? "unknown" : htmlText(id.modifiedUtc));
    out += labelRow("SHA-256 of the whole file",
                    id.sha256.empty() ? "not taken"
                                      : "<span class=\"mono\">" + htmlText(id.sha256) + "</span>");
    if (!id.error.empty()) {
        out += labelRow("Identity", htmlText(id.error));
    }
    out += "</table>";
}

void verdictBlock(std::string& out, const RecordingEvidence& e) {
    const VerdictWording wording = verdictWording(e);
    out += "<h3>Verdict</h3><p>" + verdictMarkup(e) + " — " +
           htmlText(e.verdict.code == VerdictCode::Success ? wording.outcome
                                                           : verdictReason(e.verdict)) +
           "</p>";
    const std::string key = signingKeyText(e);
    if (!key.empty()) {
        out += "<p>Signed with the " + htmlText(key) + "</p>";
    }
    const std::string caveat = wording.caveat;
    if (!caveat.empty()) {
        out += "<p class=\"caveat\">" + htmlText(caveat) + "</p>";
    }
    const std::string summary = failureSummary(e);
    if (e.verdict.code != VerdictCode::Success && !summary.empty()) {
        out += "<p>First failure: " + htmlText(summary) + "</p>";
    }
}

std::string tagSignature(const TagStatement& tag) {
    if (tag.kind == 0) {
        return "none usable";
    }
    return htmlText(std::string(signatureKindLabel(tag.kind)) + " with " +
                    digestLabel(tag.digestType) + " at offset " + std::to_string(tag.offset)) +
           (tag.verified ? "; its signature holds" : "; its signature does not hold");
}

void tagTable(std::string& out, const RecordingEvidence& e) {
    const TagContent tag = tagContent(e);
    out += "<h3>" + htmlText(tagHeading(tag)) + "</h3>";
    if (tag.status == TagContent::Status::Missing) {
        out += "<p>No recorder tag was read.</p>";
        return;
    }
    const bool ok = tag.status == TagContent::Status::Verified;
    const auto stated = [ok](const std::string& text) {
        return statedText(text) + (ok || text.empty() ? "" : notVerified());
    };
    out += tableOpen();
    out += labelRow("Serial number", stated(tag.serialNumber));
    out += labelRow("Start", stated(tag.startTime));
    out += labelRow("End", stated(tag.endTime));
    if (e.tag.present) {
        out += labelRow("Signature", tagSignature(e.tag));
    }
    out += "</table>";
}

void findingsList(std::string& out, const RecordingEvidence& e, size_t limit) {
    const std::vector<ContentItem> findings = contentOf(e, ContentPart::Findings);
    out += "<h3>" + std::string(contentTitle(ContentPart::Findings)) + "</h3>";
    if (findings.empty()) {
        out += "<p>None.</p>";
        return;
    }
    out += "<ul>";
    const size_t shown = std::min(findings.size(), limit);
    for (size_t i = 0; i < shown; ++i) {
        const ContentItem& f = findings[i];
        std::string where;
        if (f.seconds) {
            where = " <span class=\"note\">(at " + htmlText(clockText(*f.seconds)) + ")</span>";
        }
        out += "<li><span class=\"mono\">" + htmlText(f.code) +
               "</span>: " + htmlText(f.text) + where + "</li>";
    }
    out += "</ul>" + moreLine(findings.size(), shown, "findings");
}

// The marks this file's bar shows, each with what it means.
std::string legend(const RecordingEvidence& e) {
    std::string out = "<p class=\"legend\">";
    const std::vector<TimelineMark> marks = marksShown(e);
    for (const TimelineMark mark : marks) {
        out += "<span style=\"background-color:" + std::string(timelineColour(mark)) +
               "\">&nbsp;&nbsp;&nbsp;&nbsp;</span> " + timelineLabel(mark) + "&nbsp;&nbsp; ";
    }
    out += "</p><ul class=\"note\">";
    for (const TimelineMark mark : marks) {
        out += "<li>" + htmlText(timelineMeaning(mark)) + "</li>";
    }
    return out + "</ul>";
}

void timelineBlock(std::string& out, const RecordingEvidence& e, size_t index, bool inlineSvg) {
    out += "<h3>Timeline</h3>";
    const Timeline timeline = timelineOf(e, kTimelineBarWidth);
    if (timeline.spans.empty()) {
        out += "<p>No clusters were mapped.</p>";
        return;
    }
    out += "<div class=\"timeline\">";
    if (inlineSvg) {
        out += timelineSvg(e);
    } else {
        out += "<img src=\"timeline:" + std::to_string(index) + "\" width=\"" +
               std::to_string(kTimelineWidth) + "\" height=\"" + std::to_string(kTimelineHeight) +
               "\" alt=\"timeline\">";
    }
    out += "</div>" + legend(e) + "<p class=\"note\">";
    out += !timeline.inSeconds ? "Along the axis: the position in the file (the file states "
                                 "no times for its clusters)."
           : timeline.wallClock
               ? "Along the axis: time of day, the tag's start time plus the clusters' "
                 "timecodes, as stated by the file (no signature covers them)."
               : "Along the axis: seconds from the start of the recording, as stated by the "
                 "file (no signature covers them).";
    if (std::any_of(timeline.spans.begin(), timeline.spans.end(),
                    [](const TimelineSpan& span) { return span.beneath.has_value(); })) {
        out += " Where the bar is split, clusters state overlapping times: the upper half shows "
               "the more serious mark, the lower half what lies beneath it.";
    }
    out += "</p>";
}

// The file's custody events in the case, each line as given (escaped).
void custodyList(std::string& out, const std::vector<std::string>& lines, size_t limit) {
    out += "<h3>Custody events</h3><ul>";
    const size_t shown = std::min(lines.size(), limit);
    for (size_t i = 0; i < shown; ++i) {
        out += "<li>" + htmlText(lines[i]) + "</li>";
    }
    out += "</ul>" + moreLine(lines.size(), shown, "events");
}

}  // namespace

void appendFileSection(std::string& out, const RecordingEvidence& e, size_t index,
                       const std::vector<ReportPicture>* pictures,
                       const HtmlReportOptions& options) {
    out += "<div class=\"file\" id=\"file-" + std::to_string(index + 1) + "\"><h2>" +
           std::to_string(index + 1) + ". " + htmlText(fileNameOf(e.identity.path)) + " — " +
           verdictMarkup(e) + "</h2>";
    identityTable(out, e.identity);
    verdictBlock(out, e);
    tagTable(out, e);
    findingsList(out, e, options.maxItems);
    timelineBlock(out, e, index, options.inlineSvg);
    if (pictures != nullptr && !pictures->empty()) {
        appendFilmstrip(out, *pictures, index, options.inlinePictures);
    }
    appendRuns(out, e, options.maxRuns);
    appendProvenance(out, e, options.maxItems);
    appendCoverage(out, e, options.maxItems);
    appendWarnings(out, e, options.maxItems);
    if (index < options.custody.size() && !options.custody[index].empty()) {
        custodyList(out, options.custody[index], options.maxItems);
    }
    out += "</div>";
}

}  // namespace nvr::html
