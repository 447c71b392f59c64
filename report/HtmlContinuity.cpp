#include <cstdlib>

#include "report/Continuity.h"
#include "report/Escape.h"
#include "report/HtmlParts.h"
#include "report/Names.h"
#include "report/Wording.h"

namespace nvr::html {
namespace {

std::string fileRef(const std::vector<RecordingEvidence>& files, size_t index) {
    return "<a href=\"#file-" + std::to_string(index + 1) + "\">" + std::to_string(index + 1) +
           ". " + htmlText(fileNameOf(files[index].identity.path)) + "</a>";
}

std::string stepText(const std::vector<RecordingEvidence>& files, const ContinuityStep& step,
                     const char* what) {
    const int64_t length = step.seconds < 0 ? -step.seconds : step.seconds;
    return "<li>" + std::string(what) + " of " + std::to_string(length) + " s (" +
           htmlText(clockText(static_cast<double>(length))) + ") between the end of " +
           fileRef(files, step.from) + " (" + htmlText(files[step.from].verdict.endTime) +
           ") and the start of " + fileRef(files, step.to) + " (" +
           htmlText(files[step.to].verdict.startTime) + ")</li>";
}

// A Success whose tag proves no origin, marked where its serial and times
// are used.
std::string claimMark(const RecordingEvidence& e) {
    const VerdictWording wording = verdictWording(e);
    if (wording.claim == Claim::Authentic) {
        return std::string();
    }
    return " <span class=\"caveat\">(" + htmlText(wording.outcome) + ")</span>";
}

void serialBlock(std::string& out, const std::vector<RecordingEvidence>& files,
                 const SerialContinuity& serial) {
    out += "<h3>Recorder " + statedText(serial.serialNumber) + "</h3>";
    out += std::string(tableOpen()) +
           "<thead><tr><th>File</th><th>Start</th><th>End</th></tr></thead>";
    for (const size_t index : serial.files) {
        out += "<tr><td>" + fileRef(files, index) + claimMark(files[index]) + "</td><td>" +
               htmlText(files[index].verdict.startTime) + "</td><td>" +
               htmlText(files[index].verdict.endTime) + "</td></tr>";
    }
    out += "</table>";
    if (serial.gaps.empty() && serial.overlaps.empty()) {
        out += serial.files.size() > 1 ? "<p>No gaps and no overlaps.</p>" : "";
        return;
    }
    out += "<ul>";
    for (const ContinuityStep& step : serial.gaps) {
        out += stepText(files, step, "Gap");
    }
    for (const ContinuityStep& step : serial.overlaps) {
        out += stepText(files, step, "Overlap");
    }
    out += "</ul>";
}

void duplicatesBlock(std::string& out, const std::vector<RecordingEvidence>& files,
                     const std::vector<DuplicateFiles>& duplicates) {
    out += "<h3>Files with the same bytes</h3>";
    if (duplicates.empty()) {
        out += "<p>None.</p>";
        return;
    }
    out += "<ul>";
    for (const DuplicateFiles& group : duplicates) {
        std::string names;
        for (const size_t index : group.files) {
            names += (names.empty() ? "" : ", ") + fileRef(files, index);
        }
        out += "<li>" + names + ": SHA-256 <span class=\"mono\">" + htmlText(group.sha256) +
               "</span></li>";
    }
    out += "</ul>";
}

}  // namespace

void appendContinuity(std::string& out, const std::vector<RecordingEvidence>& files) {
    const Continuity continuity = continuityOf(files);
    out +=
        "<h2>Continuity across the recordings</h2><p class=\"note\">Recordings with a Success, "
        "grouped by the serial number their tag states, in time order by their tag's start "
        "and end times (as stated by the file; whole seconds, so one second between an end and "
        "the next start counts as continuous). A tag sealed with the built-in key proves "
        "nothing about its serial number and times against a holder of this program; such "
        "files are marked. Files that did not verify are not placed: their times are not "
        "proven.</p>";
    if (continuity.serials.empty()) {
        out += "<p>No recording with a Success to place in time.</p>";
    }
    for (const SerialContinuity& serial : continuity.serials) {
        serialBlock(out, files, serial);
    }
    if (!continuity.unplaced.empty()) {
        out += "<p>Success, but their times do not read as YYYY-MM-DD hh:mm:ss:";
        for (const size_t index : continuity.unplaced) {
            out += " " + fileRef(files, index);
        }
        out += "</p>";
    }
    duplicatesBlock(out, files, continuity.duplicates);
}

}  // namespace nvr::html
