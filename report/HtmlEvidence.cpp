#include <algorithm>

#include "report/Escape.h"
#include "report/EvidenceContent.h"
#include "report/HtmlParts.h"
#include "report/Names.h"
#include "report/Timeline.h"
#include "report/Wording.h"

namespace nvr::html {
namespace {

// Bytes tied to the tag's signed final value: verified only under an RSA tag.
const char* provenBytesLabel(ProofKey key) {
    switch (key) {
        case ProofKey::Rsa:
            return "Of those, verified (tied to the tag's RSA-signed final value)";
        case ProofKey::Hmac:
            return "Of those, sealed with the built-in key (which every copy of this program "
                   "holds)";
        case ProofKey::None:
            break;
    }
    return "Of those, tied to a signed recorder tag";
}

// "from – to", each end kept whole on its line: a narrow page (the PDF's)
// breaks the span after its dash rather than squeezing the other columns.
std::string span(const std::string& from, const std::string& to) {
    return "<span class=\"nowrap\">" + htmlText(from) + " –</span> <span class=\"nowrap\">" +
           htmlText(to) + "</span>";
}

std::string timeSpan(const ClusterRun& run) {
    if (!run.startSeconds && !run.endSeconds) {
        return "—";
    }
    const auto clock = [](const std::optional<double>& s) { return s ? clockText(*s) : "?"; };
    return span(clock(run.startSeconds), clock(run.endSeconds));
}

std::string wallSpan(const ClusterRun& run, const std::string& tagStart) {
    const std::string from = run.startSeconds ? wallClockAt(tagStart, *run.startSeconds) : "";
    const std::string to = run.endSeconds ? wallClockAt(tagStart, *run.endSeconds) : "";
    if (from.empty() || to.empty()) {
        return "—";
    }
    // The date once when both ends fall on the same day.
    const bool sameDay = from.compare(0, 10, to, 0, 10) == 0;
    return span(from, sameDay ? to.substr(11) : to);
}

std::string runRow(const ClusterRun& run, const std::string& tagStart, ProofKey key) {
    // A run the walk never reached has no last cluster: it goes to the end.
    const std::string clusters =
        run.lastCluster < run.firstCluster ? "from " + std::to_string(run.firstCluster)
        : run.firstCluster == run.lastCluster
            ? std::to_string(run.firstCluster)
            : std::to_string(run.firstCluster) + "–" + std::to_string(run.lastCluster);
    const TimelineMark mark = markOf(run, key);
    return "<tr><td><span style=\"background-color:" + std::string(timelineColour(mark)) +
           "\">&nbsp;&nbsp;</span> " + timelineLabel(mark) + "</td><td>" + clusters +
           "</td><td class=\"nowrap\">" + std::to_string(run.startOffset) + "–" +
           std::to_string(run.endOffset) + "</td><td>" + timeSpan(run) + "</td><td>" +
           wallSpan(run, tagStart) + "</td></tr>";
}

std::string heading(ContentPart part) {
    return "<h3>" + std::string(contentTitle(part)) + "</h3>";
}

}  // namespace

void appendRuns(std::string& out, const RecordingEvidence& e, size_t limit) {
    out += "<h3>Runs of clusters</h3>";
    if (e.runs.empty()) {
        out += "<p>None.</p>";
        return;
    }
    out += std::string(tableOpen()) +
           "<thead><tr><th>Status</th><th>Clusters</th><th>Bytes</th><th>From the start (as "
           "stated by the file)</th><th>Time of day (as stated by the file)</th></tr></thead>";
    const std::string tagStart = statedStart(e);
    const size_t shown = std::min(e.runs.size(), limit);
    for (size_t i = 0; i < shown; ++i) {
        out += runRow(e.runs[i], tagStart, e.proofKey);
    }
    out += "</table>" + moreLine(e.runs.size(), shown, "runs");
}

void appendProvenance(std::string& out, const RecordingEvidence& e, size_t limit) {
    const std::vector<ContentItem> statements = contentOf(e, ContentPart::Provenance);
    out += heading(ContentPart::Provenance);
    if (statements.empty()) {
        out += "<p>No statement.</p>";
        return;
    }
    out += "<ul>";
    const size_t shown = std::min(statements.size(), limit);
    for (size_t i = 0; i < shown; ++i) {
        out += "<li>" + htmlText(statements[i].text) + "</li>";
    }
    out += "</ul>" + moreLine(statements.size(), shown, "statements");
    out += "<p>What is signed and what is not, how each finding is inferred and what else it "
           "could mean: <i>what-a-verdict-proves.md</i> in this program's documentation "
           "(/usr/share/doc/telvar when installed).</p>";
}

void appendCoverage(std::string& out, const RecordingEvidence& e, size_t limit) {
    const Coverage& coverage = e.coverage;
    const std::vector<ContentItem> statement = contentOf(e, ContentPart::Coverage);
    out += heading(ContentPart::Coverage);
    for (const ContentItem& item : statement) {
        out += "<p>" + htmlText(item.text) + "</p>";
    }
    if (statement.empty() && coverage.fileSize <= 0) {
        out += "<p>Not measured.</p>";
    }
    if (coverage.fileSize > 0) {
        out += tableOpen();
        out += labelRow("File size", bytesText(coverage.fileSize));
        out += labelRow("In checked signed ranges", bytesText(coverage.signedBytes));
        out += labelRow(provenBytesLabel(e.proofKey), bytesText(coverage.verifiedBytes));
        out += "</table>";
    }
    if (coverage.unsignedParts.empty()) {
        return;
    }
    out += std::string(tableOpen()) +
           "<thead><tr><th>Not covered by a signature</th><th>Bytes</th>"
           "<th>Count</th></tr></thead>";
    const size_t shown = std::min(coverage.unsignedParts.size(), limit);
    for (size_t i = 0; i < shown; ++i) {
        const CoveragePart& part = coverage.unsignedParts[i];
        out += "<tr><td>" + htmlText(part.name) + "</td><td>" + bytesText(part.bytes) +
               "</td><td>" + std::to_string(part.count) + "</td></tr>";
    }
    out += "</table>" + moreLine(coverage.unsignedParts.size(), shown, "parts");
}

void appendWarnings(std::string& out, const RecordingEvidence& e, size_t limit) {
    const std::vector<ContentItem> warnings = contentOf(e, ContentPart::Warnings);
    out += heading(ContentPart::Warnings);
    if (warnings.empty()) {
        out += "<p>None.</p>";
        return;
    }
    out += "<ul>";
    const size_t shown = std::min(warnings.size(), limit);
    for (size_t i = 0; i < shown; ++i) {
        out += "<li><span class=\"mono\">" + htmlText(warnings[i].code) +
               "</span>: " + htmlText(warnings[i].text) + "</li>";
    }
    out += "</ul>" + moreLine(warnings.size(), shown, "warnings");
}

}  // namespace nvr::html
