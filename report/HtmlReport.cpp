#include "report/HtmlReport.h"

#include "report/Escape.h"
#include "report/HtmlParts.h"
#include "report/Names.h"
#include "report/ShortReason.h"
#include "report/Wording.h"

namespace nvr::html {

std::string labelRow(const std::string& label, const std::string& valueHtml) {
    return "<tr><th>" + htmlText(label) + "</th><td>" + valueHtml + "</td></tr>";
}

const char* tableOpen() {
    return "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">";
}

const char* notVerified() {
    return " <span class=\"unverified nowrap\">(not verified)</span>";
}

std::string bytesText(int64_t bytes) {
    std::string digits = std::to_string(bytes);
    const size_t first = digits[0] == '-' ? 1 : 0;
    for (size_t at = digits.size(); at > first + 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return digits + " bytes";
}

std::string statedText(const std::string& bytes) {
    return bytes.empty() ? "—" : htmlText(bytes);
}

std::string moreLine(size_t total, size_t shown, const char* what) {
    if (total <= shown) {
        return std::string();
    }
    return "<p class=\"note\">… " + std::to_string(total - shown) + " more " + what + "</p>";
}

}  // namespace nvr::html

namespace {

const char kStyle[] =
    "body{font-family:'DejaVu Sans',Arial,sans-serif;font-size:10.5pt;color:#212121;"
    "margin:24px auto;max-width:70em;padding:0 16px}"
    "h1{font-size:18pt;margin:0 0 4px}"
    "h2{font-size:13.5pt;border-bottom:2px solid #424242;padding-bottom:2px;margin-top:28px}"
    "h3{font-size:11pt;margin:14px 0 4px}"
    "table{border-collapse:collapse;margin:4px 0 8px}"
    "th,td{border:1px solid #9e9e9e;padding:3px 6px;text-align:left;vertical-align:top}"
    "th{background:#eeeeee}"
    ".mono{font-family:'DejaVu Sans Mono',monospace;font-size:9.5pt;word-break:break-all}"
    ".nowrap{white-space:nowrap}"
    ".ok{color:#1b5e20;font-weight:bold}.sealed{color:#2f5a99;font-weight:bold}"
    ".failed{color:#b71c1c;font-weight:bold}"
    ".unverified{color:#b71c1c;font-style:italic}.note{color:#555555;font-size:9pt}"
    ".timeline svg{max-width:100%;height:auto}"
    ".filmstrip figure{display:inline-block;vertical-align:top;margin:0 10px 10px 0;width:166px}"
    ".caveat{color:#6d4c00;font-size:9pt}"
    ".filmstrip img{display:block;border:3px solid #9e9e9e}"
    ".filmstrip figcaption{font-size:9pt}"
    ".nopicture{width:160px;padding:8px 0;color:#555555;font-size:9pt}"
    "@media print{body{margin:0;max-width:none}h2,h3{break-after:avoid}"
    "tr,svg,figure{break-inside:avoid}div.file{break-before:page}}";

// The verdict; for a Success that proves no origin, what it claims (the
// file's section says why); for a failed file its reason in words.
std::string verdictCell(const RecordingEvidence& e) {
    std::string cell = nvr::html::verdictMarkup(e);
    const VerdictWording wording = verdictWording(e);
    if (wording.claim == Claim::Sealed || wording.claim == Claim::NoOrigin) {
        cell += "<br><span class=\"caveat\">" + htmlText(wording.outcome) + "</span>";
    }
    if (e.verdict.code != VerdictCode::Success && e.verdict.code != VerdictCode::NotVerified) {
        // In the words the window's list uses, not the finding's code.
        const std::string reason = shortReason(e);
        if (!reason.empty()) {
            cell += "<br><span class=\"note\">" + htmlText(reason) + "</span>";
        }
    }
    return cell;
}

// "#", file, verdict, serial, start, end and SHA-256 of one file.
std::string summaryRow(const RecordingEvidence& e, size_t index) {
    const bool ok = e.verdict.code == VerdictCode::Success;
    const auto stated = [ok](const std::string& text) {
        return nvr::html::statedText(text) + (ok || text.empty() ? "" : nvr::html::notVerified());
    };
    const std::string hash = e.identity.sha256.empty()
                                 ? std::string("—")
                                 : htmlText(e.identity.sha256.substr(0, 12)) + "…";
    return "<tr><td>" + std::to_string(index + 1) + "</td><td><a href=\"#file-" +
           std::to_string(index + 1) + "\">" + htmlText(fileNameOf(e.identity.path)) +
           "</a></td><td>" + verdictCell(e) + "</td><td>" + stated(statedSerial(e)) + "</td><td>" +
           stated(statedStart(e)) + "</td><td>" + stated(statedEnd(e)) +
           "</td><td class=\"nowrap\"><span class=\"mono\">" + hash + "</span></td></tr>";
}

void verifierBlock(std::string& out, const ReportContext& run) {
    const auto mono = [](const std::string& text) {
        return "<span class=\"mono\">" + htmlText(text) + "</span>";
    };
    out += "<h2>Verifier</h2>";
    out += nvr::html::tableOpen();
    out += nvr::html::labelRow("Program", htmlText(run.verifierName + " " + run.version));
    out += nvr::html::labelRow("Build (source revision)", mono(run.build));
    out += nvr::html::labelRow("OpenSSL", htmlText(run.opensslVersion));
    out += nvr::html::labelRow("SHA-256 of the built-in RSA public key (DER)",
                               mono(run.publicKeySha256));
    out += nvr::html::labelRow("SHA-256 of the built-in HMAC key", mono(run.hmacKeySha256));
    out += nvr::html::labelRow("Key store", htmlText(run.keyStore));
    out += nvr::html::labelRow("SHA-256 of the key store",
                               run.keyStoreSha256.empty() ? std::string("—")
                                                          : mono(run.keyStoreSha256));
    out += nvr::html::labelRow("Keys judged at (UTC)",
                               run.validationTime.empty() ? std::string("the time of verification")
                                                          : htmlText(run.validationTime));
    out += nvr::html::labelRow("Verified at (UTC)", htmlText(run.verifiedAt));
    out += nvr::html::labelRow("Examiner", nvr::html::statedText(run.examiner));
    out += nvr::html::labelRow("Case reference", nvr::html::statedText(run.caseReference));
    if (!run.examinerKeyFingerprint.empty()) {
        out += nvr::html::labelRow("Examiner's key (Ed25519; SHA-256 of it)",
                                   mono(run.examinerPublicKey) + "<br>" +
                                       mono(run.examinerKeyFingerprint));
    }
    if (run.custodyEvents) {
        std::string head = std::to_string(*run.custodyEvents) +
                           " events; SHA-256 of the newest: " + mono(run.custodyHead);
        if (!run.custodySealKey.empty()) {
            head += "<br>sealed by " + htmlText(run.custodySealExaminer) + ", key " +
                    mono(run.custodySealKey) + ", signature " + mono(run.custodySealSignature);
        }
        if (run.custodyExportEvent) {
            head += "<br>this report is event " + std::to_string(*run.custodyExportEvent) +
                    " (exported) of the log";
        }
        out += nvr::html::labelRow("Custody log", head);
    }
    out += "</table>";
}

void heading(std::string& out, size_t count, const ReportContext& run) {
    out += "<h1>Evidence report: recording authenticity</h1><p>";
    out += std::to_string(count) + (count == 1 ? " recording" : " recordings") + " verified " +
           htmlText(run.verifiedAt) + " by " + htmlText(run.verifierName) + " " +
           htmlText(run.version);
    if (!run.caseReference.empty()) {
        out += "; case " + htmlText(run.caseReference);
    }
    if (!run.examiner.empty()) {
        out += "; examiner " + htmlText(run.examiner);
    }
    out += ".</p>";
}

}  // namespace

const char kReportMarker[] = "<meta name=\"generator\" content=\"telvar evidence report\">";

bool isOwnReportHead(std::string_view head) {
    head = head.substr(0, kReportMarkerWithin);
    return head.rfind("<!DOCTYPE html>", 0) == 0 &&
           head.find(kReportMarker) != std::string_view::npos;
}

const char* htmlReportStyle() {
    return kStyle;
}

const char* htmlTableOpen() {
    return nvr::html::tableOpen();
}

std::string htmlReportHeading(size_t count, const ReportContext& run) {
    std::string out;
    heading(out, count, run);
    return out;
}

std::string htmlSummaryTitles() {
    return "<thead><tr><th>#</th><th>File</th><th>Verdict</th><th>Serial number</th>"
           "<th>Start</th><th>End</th><th>SHA-256</th></tr></thead>";
}

std::string htmlSummaryRow(const RecordingEvidence& evidence, size_t index) {
    return summaryRow(evidence, index);
}

std::string htmlSummaryNote() {
    return "<p class=\"note\">Serial numbers and times are as stated by the file. Under the "
           "recorder's RSA key a Success proves them as the key holder signed them; a Success "
           "sealed with the built-in key proves nothing about them against a holder of this "
           "program; a file that failed proves nothing about them.</p>";
}

std::string htmlSkippedEntries(const ReportContext& run, size_t limit) {
    const std::vector<std::string>& lines = run.intakeSkipped;
    if (lines.empty()) {
        return {};
    }
    std::string out = "<h3>Left out at intake</h3><p class=\"note\">";
    out += lines.size() == 1 ? "One entry" : std::to_string(lines.size()) + " entries";
    out += " of the folders added to the case " + std::string(lines.size() == 1 ? "was" : "were") +
           " not verified, for the reason given:</p><ul>";
    const size_t shown = std::min(lines.size(), limit);
    for (size_t i = 0; i < shown; ++i) {
        out += "<li>" + htmlText(lines[i]) + "</li>";
    }
    return out + "</ul>" + nvr::html::moreLine(lines.size(), shown, "entries");
}

std::string htmlFileSection(const RecordingEvidence& evidence, size_t index,
                            const std::vector<ReportPicture>* pictures,
                            const HtmlReportOptions& options) {
    std::string out;
    nvr::html::appendFileSection(out, evidence, index, pictures, options);
    return out;
}

std::string htmlReportClosing(const std::vector<RecordingEvidence>& parts,
                              const ReportContext& run) {
    std::string out;
    nvr::html::appendContinuity(out, parts);
    nvr::html::appendStills(out, run, HtmlReportOptions().maxItems);
    verifierBlock(out, run);
    return out;
}

bool writeHtmlReport(const ReportFiles& files, const ReportContext& run,
                     const HtmlReportOptions& options, ReportSink& sink) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">";
    out += kReportMarker;
    out += "<title>Evidence report</title><style>";
    out += kStyle;
    out += "</style></head><body>\n";
    heading(out, files.count, run);
    out += "<h2>Summary</h2>";
    out += nvr::html::tableOpen();
    out += htmlSummaryTitles();
    // Written a file at a time, each piece once it is some size, so memory
    // holds one file's evidence and section whatever the number of files.
    constexpr size_t kPiece = 64 * 1024;
    const auto flush = [&](bool always) {
        if (!always && out.size() < kPiece) {
            return true;
        }
        const bool kept = sink.write(out);
        out.clear();
        return kept;
    };
    for (size_t i = 0; i < files.count; ++i) {
        out += summaryRow(*files.evidence(i), i);
        if (!flush(false)) {
            return false;
        }
    }
    out += "</table>" + htmlSummaryNote() + htmlSkippedEntries(run, options.maxItems);
    std::vector<RecordingEvidence> parts;
    parts.reserve(files.count);
    for (size_t i = 0; i < files.count; ++i) {
        const std::shared_ptr<const RecordingEvidence> evidence = files.evidence(i);
        std::shared_ptr<const std::vector<ReportPicture>> pictures;
        if (files.pictures) {
            pictures = files.pictures(i);
        }
        const std::vector<ReportPicture>* const strip = pictures != nullptr ? pictures.get()
                                                        : i < options.filmstrips.size()
                                                            ? &options.filmstrips[i]
                                                            : nullptr;
        out += "\n";
        nvr::html::appendFileSection(out, *evidence, i, strip, options);
        parts.push_back(continuityPart(*evidence));
        if (!flush(false)) {
            return false;
        }
    }
    out += "\n";
    out += htmlReportClosing(parts, run);
    out += "\n</body></html>\n";
    return flush(true);
}

std::string htmlReport(const std::vector<RecordingEvidence>& files, const ReportContext& run,
                       const HtmlReportOptions& options) {
    StringSink sink;
    writeHtmlReport(lentFiles(files), run, options, sink);
    return std::move(sink.text);
}
