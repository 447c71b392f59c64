#include "report/HtmlReport.h"

#include "report/Escape.h"
#include "report/HtmlParts.h"
#include "report/Names.h"
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
    ".ok{color:#1b5e20;font-weight:bold}.failed{color:#b71c1c;font-weight:bold}"
    ".unverified{color:#b71c1c;font-style:italic}.note{color:#555555;font-size:9pt}"
    ".timeline svg{max-width:100%;height:auto}"
    ".filmstrip figure{display:inline-block;vertical-align:top;margin:0 10px 10px 0;width:166px}"
    ".caveat{color:#6d4c00;font-size:9pt}"
    ".filmstrip img{display:block;border:3px solid #9e9e9e}"
    ".filmstrip figcaption{font-size:9pt}"
    ".nopicture{width:160px;padding:8px 0;color:#555555;font-size:9pt}"
    "@media print{body{margin:0;max-width:none}h2,h3{break-after:avoid}"
    "tr,svg,figure{break-inside:avoid}div.file{break-before:page}}";

// The verdict, and for a failed file the code of its first finding.
std::string verdictCell(const RecordingEvidence& e) {
    if (e.verdict.code == VerdictCode::Success) {
        const std::string caveat = originCaveat(e);
        return "<span class=\"ok\">Success</span>" +
               (caveat.empty() ? "" : "<br><span class=\"caveat\">" + htmlText(caveat) + "</span>");
    }
    std::string cell = "<span class=\"failed\">Failed</span>";
    if (!e.findings.empty()) {
        cell += "<br><span class=\"note nowrap\">" +
                htmlText(findingCodeName(e.findings.front().code)) + "</span>";
    }
    return cell;
}

void summaryTable(std::string& out, const std::vector<RecordingEvidence>& files) {
    out += "<h2>Summary</h2>";
    out += nvr::html::tableOpen();
    out +=
        "<tr><th>#</th><th>File</th><th>Verdict</th><th>Serial number</th><th>Start</th>"
        "<th>End</th><th>SHA-256</th></tr>";
    for (size_t i = 0; i < files.size(); ++i) {
        const RecordingEvidence& e = files[i];
        const bool ok = e.verdict.code == VerdictCode::Success;
        const auto stated = [ok](const std::string& text) {
            return nvr::html::statedText(text) +
                   (ok || text.empty() ? "" : nvr::html::notVerified());
        };
        const std::string hash = e.identity.sha256.empty()
                                     ? std::string("—")
                                     : htmlText(e.identity.sha256.substr(0, 12)) + "…";
        out += "<tr><td>" + std::to_string(i + 1) + "</td><td><a href=\"#file-" +
               std::to_string(i + 1) + "\">" + htmlText(fileNameOf(e.identity.path)) +
               "</a></td><td>" + verdictCell(e) + "</td><td>" + stated(statedSerial(e)) +
               "</td><td>" + stated(statedStart(e)) + "</td><td>" + stated(statedEnd(e)) +
               "</td><td class=\"nowrap\"><span class=\"mono\">" + hash + "</span></td></tr>";
    }
    out +=
        "</table><p class=\"note\">Serial numbers and times are as stated by the file; "
        "they are proven only where the verdict is Success.</p>";
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
    out += nvr::html::labelRow("Verified at (UTC)", htmlText(run.verifiedAt));
    out += nvr::html::labelRow("Examiner", nvr::html::statedText(run.examiner));
    out += nvr::html::labelRow("Case reference", nvr::html::statedText(run.caseReference));
    if (run.custodyEvents) {
        out += nvr::html::labelRow("Custody log",
                                   std::to_string(*run.custodyEvents) +
                                       " events; SHA-256 of the newest: " + mono(run.custodyHead));
    }
    out += "</table>";
}

void heading(std::string& out, const std::vector<RecordingEvidence>& files,
             const ReportContext& run) {
    out += "<h1>Evidence report: recording authenticity</h1><p>";
    out += std::to_string(files.size()) + (files.size() == 1 ? " recording" : " recordings") +
           " verified " + htmlText(run.verifiedAt) + " by " + htmlText(run.verifierName) + " " +
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

std::string htmlReport(const std::vector<RecordingEvidence>& files, const ReportContext& run,
                       const HtmlReportOptions& options) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">";
    out += kReportMarker;
    out += "<title>Evidence report</title><style>";
    out += kStyle;
    out += "</style></head><body>\n";
    heading(out, files, run);
    summaryTable(out, files);
    for (size_t i = 0; i < files.size(); ++i) {
        out += "\n";
        nvr::html::appendFileSection(out, files[i], i, options);
    }
    out += "\n";
    nvr::html::appendContinuity(out, files);
    verifierBlock(out, run);
    return out + "\n</body></html>\n";
}
